#pragma once
// The per-step result files: model_stress_<c>.dat for every step and, as
// asked, the CSV extracts (edge and diagonal paths of interface sides,
// material paths, springs).

#include <cstdint>
#include <functional>
#include <span>

#include "model/file_names.hpp"
#include "model/time_steps.hpp"

namespace meridian {

// The extracts written for every step besides its stress file.
struct StepOutputs {
  bool edge_paths = false;      // edge_node_<c>.csv, when the model has interfaces
  bool diagonal_paths = false;  // diagonal_node_<c>.csv
  bool axis_lines = false;      // line_node_<c>.csv
  bool springs = false;         // spring_<c>.csv
  // model_stress_NNNNN.vtu per step and model_stress.pvd after the last.
  bool vtk = false;
  ResultNames names{};  // <c>, and the run's placed files
};

// Told each step's number and tables (node-major, 4 and 7 values per node) as
// soon as they are loaded, before the step's files are written.
using StepVisitor = std::function<void(std::int32_t step, std::span<const double> node_result,
                                       std::span<const double> node_stress)>;

// Writes every step's files, steps in order; `visit`, when given, sees every
// step first.
void write_step_results(const StepResults& results, const StepOutputs& outputs,
                        const StepVisitor& visit = {});

}  // namespace meridian
