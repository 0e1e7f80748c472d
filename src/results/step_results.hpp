#pragma once
// The per-step result files: model_stress_<c>.dat for every step and, by job
// code, the CSV extracts (edge and diagonal paths of interface sides, material
// paths, springs).

#include <cstdint>
#include <span>
#include <string>

#include "results/step_store.hpp"
#include "views/model_view.hpp"

namespace meridian {

struct StepResults {
  double deformation_scale = 1.0;
  std::int32_t node_count = 0;  // nodes written to the stress files
  std::span<const double> node_x, node_y, node_z;  // node_capacity each
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;
  std::span<const std::int32_t> zone_element_counts;
  std::span<const InterfaceSides> interface_segments;
  std::span<const std::int32_t> spring_node1, spring_node2, spring_direction;
  std::span<const double> spring_stiffness, spring_deflection, spring_force;
  const StepStore* steps = nullptr;  // node_result and node_stress of every step
};

// Writes every step's files, steps in order.
void write_step_results(const StepResults& results, std::int32_t job_code);

// The suffix of a step's (or interface's) file names: "1".."9", then ":" ";" ...
// up to "~" for number 78; from 79 on, the decimal number itself.
std::string step_suffix(std::int32_t number);

}  // namespace meridian
