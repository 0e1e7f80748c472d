#pragma once
// The undeformed model as the model views show it: nodes with their
// constraints, loads and temperatures, the hexahedra zone by zone, the sliding
// interfaces and the springs. Readers of the listing, the input deck and the
// parameter file each produce one; the view writers take it.

#include <cstdint>
#include <span>

#include "model/mesh.hpp"

namespace meridian {

struct ModelView {
  std::int32_t node_count = 0;       // nodes 1..node_count are written
  std::int32_t load_case_count = 0;  // n: 3n load columns per node
  std::span<const double> node_x, node_y, node_z;  // at least node_count each
  // Node-major: the 3n load columns of node i start at (i-1)*3n; column
  // 3(k-1)+d is load case k in direction d (1 x, 2 y, 3 z).
  std::span<const double> nodal_loads;
  std::span<const double> node_temperature;
  std::span<const std::int32_t> node_constraint;  // direction codes 0..7
  std::span<const ElementCorners> element_nodes;
  // Material of each element; empty when the model has none.
  std::span<const std::int32_t> element_material;
  // Zone z holds the next zone_element_counts[z-1] rows of element_nodes.
  std::span<const std::int32_t> zone_element_counts;
  std::span<const InterfaceSides> interface_segments;  // one entry per interface
  std::span<const std::int32_t> spring_node1, spring_node2, spring_direction;
};

}  // namespace meridian
