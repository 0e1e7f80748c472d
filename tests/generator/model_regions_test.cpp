#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "generator/block_mesh.hpp"
#include "generator/generator_harness.hpp"
#include "generator/model_regions.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::block_of;

GeneratedModel mesh(const std::vector<BlockParameters>& blocks) {
  GeneratedModel model;
  mesh_blocks(blocks, "parameter_in.txt", model);
  return model;
}

// ---------------------------------------------------------------- constraints

TEST(Constraints, CombinationTable) {
  // Rows: old code 0..7; columns: new code 0..7.
  const std::int32_t expected[8][8] = {{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 4, 6, 4, 7, 6, 7},
                                       {0, 4, 2, 5, 4, 5, 7, 7}, {0, 6, 5, 3, 7, 5, 6, 7},
                                       {0, 1, 2, 7, 4, 5, 6, 7}, {0, 7, 2, 3, 4, 5, 6, 7},
                                       {0, 1, 7, 3, 4, 5, 6, 7}, {7, 7, 7, 7, 7, 7, 7, 7}};
  for (std::int32_t old_code = 0; old_code < 8; ++old_code) {
    for (std::int32_t new_code = 0; new_code < 8; ++new_code) {
      EXPECT_EQ(combine_constraint(old_code, new_code), expected[old_code][new_code])
          << "old " << old_code << " new " << new_code;
    }
  }
}

struct SequenceCase {
  const char* name;
  std::vector<std::int32_t> codes;
  std::int32_t expected;
};

class ConstraintSequences : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(ConstraintSequences, EndWithTheCombinedCode) {
  GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  const Box whole{0, 1, 0, 1, 0, 1};
  for (const std::int32_t code : GetParam().codes) apply_constraint(model, 1, code, whole);
  EXPECT_EQ(model.node_constraint, std::vector<std::int32_t>(8, GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, ConstraintSequences,
                         ::testing::Values(SequenceCase{"one_then_two", {1, 2}, 4},
                                           SequenceCase{"then_three", {1, 2, 3}, 7},
                                           SequenceCase{"seven_is_frozen", {1, 2, 3, 0, 1, 4}, 7},
                                           SequenceCase{"pair_replaced_by_single", {4, 1}, 1},
                                           SequenceCase{"zero_frees", {5, 0}, 0},
                                           SequenceCase{"single_and_other_pair", {2, 6}, 7},
                                           SequenceCase{"pair_then_other_single", {4, 3}, 7},
                                           SequenceCase{"unrelated_pair_replaced", {4, 5}, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Constraints, BoxOnTheBlockFacesIsInclusiveAndZeroKeepsSeven) {
  // 2 x 1 x 1 elements: nodes at x = 0, 1, 2.
  GeneratedModel model = mesh({block_of({0, 2}, {2}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  apply_constraint(model, 1, 7, Box{0, 0, 0, 1, 0, 1});  // the x = 0 face
  apply_constraint(model, 1, 3, Box{0, 2, 0, 1, 0, 0});  // the bottom face
  EXPECT_EQ(model.node_constraint, (std::vector<std::int32_t>{7, 3, 3, 7, 3, 3, 7, 0, 0, 7, 0, 0}));
  apply_constraint(model, 1, 0, Box{0, 2, 0, 1, 0, 1});
  EXPECT_EQ(model.node_constraint, (std::vector<std::int32_t>{7, 0, 0, 7, 0, 0, 7, 0, 0, 7, 0, 0}));
}

TEST(Constraints, OnlyTheNamedBlockIsVisited) {
  GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1}),
                               block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  apply_constraint(model, 2, 2, Box{0, 1, 0, 1, 0, 1});
  std::vector<std::int32_t> expected(16, 0);
  for (std::size_t n = 8; n < 16; ++n) expected[n] = 2;
  EXPECT_EQ(model.node_constraint, expected);
}

// ---------------------------------------------------------------- nodal loads

TEST(NodalLoads, CircleIncludesNodesAtTheRadius) {
  // Nodes on the grid 0..2 x 0..2 at z = 0 and 1; centre (1, 1), radius 1: the
  // centre and its four neighbours at distance exactly 1.
  const GeneratedModel model = mesh({block_of({0, 2}, {2}, {0, 2}, {2}, {0, 1}, {1}, {0, 1})});
  EXPECT_EQ(select_circle_nodes(model, 1, 1.0, 1.0, 1.0, 1.0),
            (std::vector<std::int32_t>{11, 13, 14, 15, 17}));
  EXPECT_EQ(select_circle_nodes(model, 1, 1.0, 1.0, 1.0, std::nextafter(1.0, 0.0)),
            (std::vector<std::int32_t>{14}));
  EXPECT_TRUE(select_circle_nodes(model, 1, 1.0, 1.0, 0.5, 5.0).empty());
}

TEST(NodalLoads, LevelsAreComparedExactly) {
  const GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {10}, {0, 1})});
  const Rectangle all{0, 1, 0, 1};
  EXPECT_TRUE(select_rectangle_nodes(model, 1, all, 0.3).empty());
  EXPECT_EQ(select_rectangle_nodes(model, 1, all, 0.2), (std::vector<std::int32_t>{9, 10, 11, 12}));
  EXPECT_EQ(select_rectangle_nodes(model, 1, all, 0.4),
            (std::vector<std::int32_t>{17, 18, 19, 20}));
  EXPECT_EQ(select_rectangle_nodes(model, 1, all, 0.30000000000000004),
            (std::vector<std::int32_t>{13, 14, 15, 16}));
}

TEST(NodalLoads, RectangleInBlockThreeStartsAtItsOffset) {
  const BlockParameters cube = block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1});
  const GeneratedModel model = mesh({cube, cube, cube});
  EXPECT_EQ(select_rectangle_nodes(model, 3, Rectangle{0, 1, 0, 1}, 0.0),
            (std::vector<std::int32_t>{17, 18, 19, 20}));
}

TEST(NodalLoads, SharesAreAssignedNotAdded) {
  GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  model.load_regions.push_back(LoadRegion{3, 100.0, {1, 2, 3, 4}});
  model.load_regions.push_back(LoadRegion{3, 10.0, {3, 4}});
  model.load_regions.push_back(LoadRegion{1, 7.0, {}});
  model.load_regions.push_back(LoadRegion{2, -3.0, {4}});
  assign_nodal_loads(model);
  std::vector<double> expected(24, 0.0);
  expected[2] = 25.0;
  expected[5] = 25.0;
  expected[8] = 5.0;
  expected[11] = 5.0;
  expected[10] = -3.0;
  EXPECT_EQ(model.nodal_loads, expected);
}

// ---------------------------------------------------------------- face segments

struct FaceCase {
  const char* name;
  BlockParameters block;
  double level;
  Rectangle rectangle;
  std::vector<Segment> expected;
};

class FaceSegments : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FaceSegments, FollowTheFaceRule) {
  const FaceCase& c = GetParam();
  const GeneratedModel model = mesh({c.block});
  EXPECT_EQ(find_face_segments(model, 1, c.level, c.rectangle), c.expected);
}

const BlockParameters two_by_two = block_of({0, 2}, {2}, {0, 2}, {2}, {0, 1}, {1}, {0, 1});

INSTANTIATE_TEST_SUITE_P(
    Cases, FaceSegments,
    ::testing::Values(
        FaceCase{"top_faces",
                 two_by_two,
                 1.0,
                 {0, 2, 0, 2},
                 {{10, 11, 14, 13}, {11, 12, 15, 14}, {13, 14, 17, 16}, {14, 15, 18, 17}}},
        FaceCase{"bottom_faces",
                 two_by_two,
                 0.0,
                 {0, 2, 0, 2},
                 {{1, 2, 5, 4}, {2, 3, 6, 5}, {4, 5, 8, 7}, {5, 6, 9, 8}}},
        // x 0..1.5 cuts the second column of elements; faces with two corners on
        // the rectangle's edge x = 1 still count.
        FaceCase{"rectangle_cuts_elements",
                 two_by_two,
                 1.0,
                 {0, 1.5, 0, 2},
                 {{10, 11, 14, 13}, {13, 14, 17, 16}}},
        FaceCase{"edge_only", two_by_two, 1.0, {0, 1, 0, 1}, {{10, 11, 14, 13}}},
        FaceCase{"between_levels", two_by_two, 0.5, {0, 2, 0, 2}, {}},
        // Inner level of a 1 x 1 x 2 block: top of element 1, bottom of element 2.
        FaceCase{"inner_level",
                 block_of({0, 1}, {1}, {0, 1}, {1}, {0, 2}, {2}, {0, 2}),
                 1.0,
                 {0, 1, 0, 1},
                 {{5, 6, 8, 7}, {5, 6, 8, 7}}},
        FaceCase{"outer_level",
                 block_of({0, 1}, {1}, {0, 1}, {1}, {0, 2}, {2}, {0, 2}),
                 2.0,
                 {0, 1, 0, 1},
                 {{9, 10, 12, 11}}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- spring regions

TEST(SpringRegions, MarkerEntriesAndOverlap) {
  // 4 x 1 x 1 elements: 5 nodes per row along x.
  GeneratedModel model = mesh({block_of({0, 4}, {4}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  apply_spring_region(model, 2.5, 1, Box{0, 0, 0, 0, 0, 0});  // one node
  apply_spring_region(model, 4.0, 1, Box{0, 4, 0, 0, 0, 0});  // five nodes
  apply_spring_region(model, 9.0, 1, Box{9, 9, 9, 9, 9, 9});  // none
  EXPECT_EQ(model.spring_marker_nodes, (std::vector<std::int32_t>{1, 1, 5}));
  EXPECT_EQ(model.spring_marker_stiffness, (std::vector<double>{2.5, 4.0, 4.0}));
  std::vector<double> expected(20, 0.0);
  for (std::size_t n = 0; n < 5; ++n) expected[n] = 4.0;  // node 1 carries the later region
  EXPECT_EQ(model.node_spring_stiffness, expected);
}

// ---------------------------------------------------------------- grounded springs

struct GroundCase {
  const char* name;
  BlockParameters block;
  Box box;
  SpringGrid grid;
  std::vector<std::int32_t> expected;
};

class GroundSpringNodes : public ::testing::TestWithParam<GroundCase> {};

TEST_P(GroundSpringNodes, AreOnTheGridInTheBox) {
  const GroundCase& c = GetParam();
  const GeneratedModel model = mesh({c.block});
  EXPECT_EQ(select_ground_spring_nodes(model, 1, c.box, c.grid), c.expected);
}

// x = -2, -1, 0, 1, 2 along a row; y and z 0..1.
const BlockParameters around_zero = block_of({-2, 2}, {4}, {0, 1}, {1}, {0, 1}, {1}, {0, 1});

INSTANTIATE_TEST_SUITE_P(
    Cases, GroundSpringNodes,
    ::testing::Values(
        GroundCase{"unit_spacing_every_node",
                   around_zero,
                   {-2, 2, 0, 0, 0, 0},
                   {1, 1, 1},
                   {1, 2, 3, 4, 5}},
        // The remainder of -2 by 1 is -0, which equals 0.
        GroundCase{"negative_coordinate", around_zero, {-2, -2, 0, 0, 0, 0}, {1, 1, 1}, {1}},
        GroundCase{"even_x_only", around_zero, {-2, 2, 0, 0, 0, 0}, {2, 1, 1}, {1, 3, 5}},
        GroundCase{"negative_spacing", around_zero, {-2, 2, 0, 0, 0, 0}, {-2, 1, 1}, {1, 3, 5}},
        GroundCase{"box_limits_nodes",
                   around_zero,
                   {-1, 1, 0, 1, 1, 1},
                   {1, 1, 1},
                   {12, 13, 14, 17, 18, 19}},
        // The level 0.30000000000000004 leaves a remainder by 0.1: not on the grid.
        GroundCase{"tenths_not_on_the_grid",
                   block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {10}, {0, 1}),
                   {0, 0, 0, 0, 0.3, 0.30000000000000004},
                   {1, 1, 0.1},
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GroundSpringNodes, PointThreeWithSpacingPointOneIsNotSelected) {
  // A node at exactly x = 0.3 (the decimal literal), spacing 0.1.
  const GeneratedModel model = mesh({block_of({0.3, 1.3}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  EXPECT_NE(std::fmod(0.3, 0.1), 0.0);
  EXPECT_TRUE(
      select_ground_spring_nodes(model, 1, Box{0, 0.3, 0, 0, 0, 0}, SpringGrid{0.1, 1, 1}).empty());
  EXPECT_EQ(select_ground_spring_nodes(model, 1, Box{0, 0.3, 0, 0, 0, 0}, SpringGrid{0.3, 1, 1}),
            (std::vector<std::int32_t>{1}));
}

}  // namespace
}  // namespace meridian
