#pragma once
// The exterior faces of a hexahedral mesh: the faces that no other element
// shares, which is all a viewer of the solid needs to draw.
//
// Two faces are the same face when they have the same set of nodes. A face
// whose corners repeat a node (a collapsed hexahedron) keeps the area its
// distinct corners still span: with three distinct nodes it is a triangle,
// with fewer it has no area and is left out.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.hpp"

namespace meridian {

struct ExteriorFace {
  // The face's distinct corners in the order of the element's face, a
  // triangle's last corner repeated (corners[3] == corners[2]).
  std::array<std::int32_t, 4> corners{};
  std::int32_t element = 0;  // 1-based position in the element table
  std::int32_t zone = 0;     // the element's zone
};

// The exterior faces of the hexahedra of the zones (zone z: the next
// zone_element_counts[z-1] rows of element_nodes), by element, then face, in
// the order -z (corners 1-4), +z (5-8), then the four sides from corner 1
// on. Faces with a node outside 1..node_limit are left out, and do not hide
// a face they would share.
std::vector<ExteriorFace> exterior_faces(std::span<const ElementCorners> element_nodes,
                                         std::span<const std::int32_t> zone_element_counts,
                                         std::int32_t node_limit);

}  // namespace meridian
