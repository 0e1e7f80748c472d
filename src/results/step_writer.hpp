#pragma once
// The per-step result files: model_stress_<c>.dat for every step and, as
// asked, the CSV extracts (edge and diagonal paths of interface sides,
// material paths, springs).

#include <cstdint>
#include <memory>
#include <span>

#include "model/file_names.hpp"
#include "model/step_results.hpp"

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

// Writes the files of one step after another, straight from each step's
// tables, and model_stress.pvd after the last (with vtk). The model's tables
// of `results` must outlive the writer; its step store is not used.
class StepWriter {
 public:
  // Checks the tables and lays out what every step's files share.
  // results.node_capacity: the rows of every step's tables.
  StepWriter(const StepResults& results, const StepOutputs& outputs);
  ~StepWriter();
  StepWriter(const StepWriter&) = delete;
  StepWriter& operator=(const StepWriter&) = delete;

  // The files of step `step`: node-major tables, 4 and 7 values per node.
  void write(std::int32_t step, std::span<const double> node_result,
             std::span<const double> node_stress);
  // After the last step.
  void finish();

 private:
  struct Shared;
  std::unique_ptr<Shared> shared_;
};

// The spring extracts alone (spring_<c>.csv) of every step in `steps`, with
// the springs of `results` (whose forces are those of the last step read).
void write_spring_extracts(const StepResults& results, const ResultNames& names,
                           const StepStore& steps);

}  // namespace meridian
