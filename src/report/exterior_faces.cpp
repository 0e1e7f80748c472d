#include "report/exterior_faces.hpp"

#include <algorithm>
#include <cstddef>

namespace meridian {
namespace {

// Corner positions (0-based) of the six faces of a hexahedron: corners 1-4 and
// 5-8 are opposite faces, corner k+4 above corner k. Each face is listed
// counter-clockwise seen from outside the element.
constexpr std::array<std::array<int, 4>, 6> hexahedron_faces = {{
    {0, 3, 2, 1},
    {4, 5, 6, 7},
    {0, 1, 5, 4},
    {1, 2, 6, 5},
    {2, 3, 7, 6},
    {3, 0, 4, 7},
}};

// A face of an element as it is drawn: its distinct corners in face order
// (a triangle's last repeated) and their count.
struct FaceCorners {
  std::array<std::int32_t, 4> corners{};
  int distinct = 0;
};

FaceCorners face_corners(const ElementCorners& element, int face) {
  FaceCorners result;
  for (const int k : hexahedron_faces[static_cast<std::size_t>(face)]) {
    const std::int32_t node = element[static_cast<std::size_t>(k)];
    const auto end = result.corners.begin() + result.distinct;
    if (std::find(result.corners.begin(), end, node) == end) {
      result.corners[static_cast<std::size_t>(result.distinct++)] = node;
    }
  }
  if (result.distinct == 3) result.corners[3] = result.corners[2];
  return result;
}

// The node set of a face, sorted: equal for the faces of two elements that
// share it.
std::array<std::int32_t, 4> face_key(const FaceCorners& face) {
  std::array<std::int32_t, 4> key = face.corners;
  std::sort(key.begin(), key.end());
  return key;
}

bool usable(const FaceCorners& face, std::int32_t node_limit) {
  if (face.distinct < 3) return false;
  for (const std::int32_t node : face.corners) {
    if (node < 1 || node > node_limit) return false;
  }
  return true;
}

}  // namespace

std::vector<ExteriorFace> exterior_faces(std::span<const ElementCorners> element_nodes,
                                         std::span<const std::int32_t> zone_element_counts,
                                         std::int32_t node_limit) {
  // The zone of each element the zones hold.
  std::vector<std::int32_t> element_zone;
  for (std::size_t z = 0; z < zone_element_counts.size(); ++z) {
    const std::size_t count = static_cast<std::size_t>(std::max(zone_element_counts[z], 0));
    const std::size_t room = element_nodes.size() - element_zone.size();
    element_zone.insert(element_zone.end(), std::min(count, room), static_cast<std::int32_t>(z + 1));
  }
  const std::size_t elements = element_zone.size();
  if (node_limit < 1 || elements == 0) return {};

  // Faces are bucketed by their lowest node: a face can only match a face of
  // the same bucket. Each face is named by element * 6 + face.
  const std::size_t nodes = static_cast<std::size_t>(node_limit);
  std::vector<std::uint32_t> bucket_start(nodes + 2, 0);
  const auto lowest = [](const FaceCorners& face) {
    return static_cast<std::size_t>(*std::min_element(face.corners.begin(), face.corners.end()));
  };
  for (std::size_t e = 0; e < elements; ++e) {
    for (int f = 0; f < 6; ++f) {
      const FaceCorners face = face_corners(element_nodes[e], f);
      if (usable(face, node_limit)) ++bucket_start[lowest(face) + 1];
    }
  }
  for (std::size_t n = 1; n < bucket_start.size(); ++n) bucket_start[n] += bucket_start[n - 1];
  std::vector<std::uint32_t> bucket(bucket_start.back());
  std::vector<std::uint32_t> filled(bucket_start.begin(), bucket_start.end() - 1);
  for (std::size_t e = 0; e < elements; ++e) {
    for (int f = 0; f < 6; ++f) {
      const FaceCorners face = face_corners(element_nodes[e], f);
      if (usable(face, node_limit)) {
        bucket[filled[lowest(face)]++] = static_cast<std::uint32_t>(e * 6 + static_cast<std::size_t>(f));
      }
    }
  }

  // A face whose key no other face of its bucket has is exterior.
  std::vector<std::uint32_t> exterior;
  std::vector<std::array<std::int32_t, 4>> keys;
  for (std::size_t n = 0; n + 1 < bucket_start.size(); ++n) {
    const std::uint32_t first = bucket_start[n];
    const std::uint32_t last = bucket_start[n + 1];
    keys.clear();
    for (std::uint32_t i = first; i < last; ++i) {
      keys.push_back(face_key(face_corners(element_nodes[bucket[i] / 6], static_cast<int>(bucket[i] % 6))));
    }
    for (std::uint32_t i = first; i < last; ++i) {
      const auto& key = keys[i - first];
      const auto same = std::count(keys.begin(), keys.end(), key);
      if (same == 1) exterior.push_back(bucket[i]);
    }
  }
  std::sort(exterior.begin(), exterior.end());

  std::vector<ExteriorFace> faces;
  faces.reserve(exterior.size());
  for (const std::uint32_t id : exterior) {
    const std::size_t e = id / 6;
    ExteriorFace face;
    face.corners = face_corners(element_nodes[e], static_cast<int>(id % 6)).corners;
    face.element = static_cast<std::int32_t>(e + 1);
    face.zone = element_zone[e];
    faces.push_back(face);
  }
  return faces;
}

}  // namespace meridian
