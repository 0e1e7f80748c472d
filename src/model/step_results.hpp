#pragma once
// The model and the stored results of every printed time step, as the step
// writers take them.

#include <cstdint>
#include <span>

#include "model/mesh.hpp"
#include "model/step_store.hpp"

namespace meridian {

struct StepResults {
  double deformation_scale = 1.0;
  std::int32_t node_count = 0;     // nodes written to the stress files
  std::int32_t node_capacity = 0;  // rows of a step's tables
  std::span<const double> node_x, node_y, node_z;  // node_capacity each
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;
  std::span<const std::int32_t> zone_element_counts;
  std::span<const InterfaceSides> interface_segments;
  std::span<const std::int32_t> spring_node1, spring_node2, spring_direction;
  std::span<const double> spring_stiffness, spring_deflection, spring_force;
  std::int32_t step_count = 0;  // printed time steps
  const StepStore* steps = nullptr;  // node_result and node_stress of every step, when stored
};

}  // namespace meridian
