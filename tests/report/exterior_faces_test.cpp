// Exterior faces: faces no other element shares, collapsed faces kept as the
// area they still span.

#include "report/exterior_faces.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

namespace meridian::testing {
namespace {

// The hexahedron of a unit cell whose lowest corner is node `first` in a grid
// of nodes numbered x fastest, `row` nodes per row and `layer` per layer.
ElementCorners cell(std::int32_t first, std::int32_t row, std::int32_t layer) {
  return {first,         first + 1,         first + 1 + row,         first + row,
          first + layer, first + 1 + layer, first + 1 + row + layer, first + row + layer};
}

// A block of nx x ny x nz cells.
std::vector<ElementCorners> block(int nx, int ny, int nz) {
  std::vector<ElementCorners> elements;
  const int row = nx + 1;
  const int layer = row * (ny + 1);
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) elements.push_back(cell(1 + i + j * row + k * layer, row, layer));
  return elements;
}

// The node sets of the faces, to compare without regard to corner order.
std::multiset<std::set<std::int32_t>> node_sets(const std::vector<ExteriorFace>& faces) {
  std::multiset<std::set<std::int32_t>> sets;
  for (const ExteriorFace& face : faces) sets.insert({face.corners.begin(), face.corners.end()});
  return sets;
}

struct FaceCase {
  std::string name;
  std::vector<ElementCorners> elements;
  std::vector<std::int32_t> zone_counts;
  std::int32_t node_limit;
  std::size_t faces;      // exterior faces expected
  std::size_t triangles;  // of which triangles
};

// Two unit cubes side by side in x sharing the face of nodes 2, 5, 8, 11 (a
// 3 x 2 x 2 grid of nodes); two cubes diagonal in x-y sharing only the edge
// of nodes 5 and 14.
const std::vector<ElementCorners> touching_face = {cell(1, 3, 6), cell(2, 3, 6)};
const std::vector<ElementCorners> touching_edge = {
    {1, 2, 5, 4, 10, 11, 14, 13}, {5, 6, 9, 8, 14, 15, 18, 17}};
// A wedge: corners 3 and 4, 7 and 8 collapsed onto one node each.
const ElementCorners wedge = {1, 2, 3, 3, 4, 5, 6, 6};
// A pyramid: the whole top face collapsed onto node 5.
const ElementCorners pyramid = {1, 2, 3, 4, 5, 5, 5, 5};

const std::vector<FaceCase> face_cases = {
    {"one_cube", block(1, 1, 1), {1}, 8, 6, 0},
    {"block_of_2x2x2", block(2, 2, 2), {8}, 27, 24, 0},
    {"block_of_3x2x1", block(3, 2, 1), {6}, 24, 2 * 6 + 2 * 3 + 2 * 2, 0},
    {"two_bodies_sharing_a_face", touching_face, {2}, 12, 10, 0},
    {"two_bodies_sharing_an_edge", touching_edge, {2}, 18, 12, 0},
    {"collapsed_to_a_wedge", {wedge}, {1}, 6, 5, 2},
    {"collapsed_to_a_pyramid", {pyramid}, {1}, 5, 5, 4},
    // Two wedges back to back share their side 1-2-5-4.
    {"two_wedges_sharing_a_side", {wedge, {1, 2, 7, 7, 4, 5, 8, 8}}, {2}, 8, 8, 4},
    {"elements_outside_the_zones_left_out", block(2, 1, 1), {1}, 12, 6, 0},
    {"faces_with_unknown_nodes_left_out", block(1, 1, 1), {1}, 4, 1, 0},
};

class ExteriorFaces : public ::testing::TestWithParam<FaceCase> {};

TEST_P(ExteriorFaces, CountsFacesAndTriangles) {
  const FaceCase& c = GetParam();
  const std::vector<ExteriorFace> faces = exterior_faces(c.elements, c.zone_counts, c.node_limit);
  EXPECT_EQ(faces.size(), c.faces);
  const auto triangles = std::count_if(faces.begin(), faces.end(), [](const ExteriorFace& f) {
    return f.corners[3] == f.corners[2];
  });
  EXPECT_EQ(static_cast<std::size_t>(triangles), c.triangles);
  // A face is never listed twice, and never spans fewer than three nodes.
  const auto sets = node_sets(faces);
  EXPECT_EQ(std::set<std::set<std::int32_t>>(sets.begin(), sets.end()).size(), sets.size());
  for (const auto& nodes : sets) EXPECT_GE(nodes.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Models, ExteriorFaces, ::testing::ValuesIn(face_cases),
                         [](const auto& info) { return info.param.name; });

TEST(ExteriorFacesOrder, ByElementThenFaceWithZonesAndWinding) {
  const std::vector<ExteriorFace> faces = exterior_faces(touching_face, {{1, 1}}, 12);
  ASSERT_EQ(faces.size(), 10u);
  // The shared face (nodes 2, 5, 8, 11) is gone from both elements.
  for (const ExteriorFace& face : faces) {
    const std::set<std::int32_t> nodes(face.corners.begin(), face.corners.end());
    EXPECT_NE(nodes, (std::set<std::int32_t>{2, 5, 8, 11}));
  }
  EXPECT_EQ(faces.front().element, 1);
  EXPECT_EQ(faces.front().zone, 1);
  EXPECT_EQ(faces.back().element, 2);
  EXPECT_EQ(faces.back().zone, 2);
  // The bottom face first, wound 1-4-3-2 (seen from below, counter-clockwise).
  EXPECT_EQ(faces.front().corners, (std::array<std::int32_t, 4>{1, 4, 5, 2}));
}

TEST(ExteriorFacesOrder, WedgeTrianglesKeepTheirDistinctCornersInFaceOrder) {
  const std::vector<ExteriorFace> faces = exterior_faces({{wedge}}, {{1}}, 6);
  ASSERT_EQ(faces.size(), 5u);
  EXPECT_EQ(faces[0].corners, (std::array<std::int32_t, 4>{1, 3, 2, 2}));
  EXPECT_EQ(faces[1].corners, (std::array<std::int32_t, 4>{4, 5, 6, 6}));
}

}  // namespace
}  // namespace meridian::testing
