#pragma once
// Element zones (maximal sets of hexahedra connected through shared corner
// nodes) and the count of nodes that belong to hexahedra, both in time linear
// in the number of element corners.

#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.hpp"

namespace meridian {

struct ElementZones {
  std::int32_t zone_count = 0;
  std::vector<std::int32_t> element_zone;         // zone number (1-based) of each element
  std::vector<std::int32_t> zone_element_counts;  // elements in each zone
};

// Zones numbered 1, 2, ... in the order of the lowest-numbered element each
// holds (the numbering of the solver post-processors' level-by-level
// expansion from the lowest unassigned element). Two elements are neighbours
// when they have a corner node number in common; corner numbers must lie in
// 0..node_capacity (0 stands for an element row the listing never printed,
// and such rows are neighbours of each other). No element: no zone.
ElementZones form_element_zones(std::span<const ElementCorners> element_nodes,
                                std::int32_t node_capacity);

// Number of nodes in 1..node_capacity that are a corner of at least one
// element.
std::int32_t count_element_nodes(std::span<const ElementCorners> element_nodes,
                                 std::int32_t node_capacity);

}  // namespace meridian
