#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "generator/block_mesh.hpp"
#include "generator/generator_harness.hpp"
#include "records/fatal.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::block_of;

struct GridCase {
  const char* name;
  std::vector<double> points;
  std::vector<std::int32_t> divisions;
  std::vector<double> expected;
};

class GridLines : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridLines, AreExactlyTheRoundedSteps) {
  const GridCase& c = GetParam();
  const std::vector<double> lines = grid_lines(c.points, c.divisions);
  ASSERT_EQ(lines.size(), c.expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], c.expected[i]) << "line " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridLines,
    ::testing::Values(
        GridCase{"two_segments_of_five", {0, 5, 10}, {5, 5}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        // Each line is p + t*h with h = 0.1 rounded, t*h rounded, then the sum.
        GridCase{"tenths",
                 {0, 1},
                 {10},
                 {0, 0.1, 0.2, 0.30000000000000004, 0.4, 0.5, 0.6000000000000001,
                  0.7000000000000001, 0.8, 0.9, 1.0}},
        // The inner segment end is the next segment's exact point; the last end
        // keeps its computed value 0.1 + 3*(0.2/3).
        GridCase{"inner_end_is_next_point",
                 {0, 0.1, 0.3},
                 {3, 3},
                 {0.0, 0.1 / 3, 2 * (0.1 / 3), 0.1, 0.1 + (0.2 / 3), 0.1 + 2 * (0.2 / 3),
                  0.1 + 3 * (0.2 / 3)}},
        GridCase{"descending_points", {4, 0}, {2}, {4, 2, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GridLines, TenthsFourthLineIsNotPointThree) {
  const std::vector<double> lines =
      grid_lines(std::vector<double>{0, 1}, std::vector<std::int32_t>{10});
  EXPECT_NE(lines[3], 0.3);
  EXPECT_EQ(lines[2], 0.2);
  EXPECT_EQ(lines[4], 0.4);
}

GeneratedModel mesh(const std::vector<BlockParameters>& blocks) {
  GeneratedModel model;
  mesh_blocks(blocks, "parameter_in.txt", model);
  return model;
}

TEST(MeshBlocks, TwoByOneByOneConnectivity) {
  const GeneratedModel model = mesh({block_of({0, 2}, {2}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  ASSERT_EQ(model.node_count, 12);
  ASSERT_EQ(model.element_count, 2);
  EXPECT_EQ(model.element_nodes[0], (ElementCorners{1, 2, 5, 4, 7, 8, 11, 10}));
  EXPECT_EQ(model.element_nodes[1], (ElementCorners{2, 3, 6, 5, 8, 9, 12, 11}));
  // x fastest, then y, then z.
  const std::vector<double> x{0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2};
  const std::vector<double> y{0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1};
  const std::vector<double> z{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(model.node_x, x);
  EXPECT_EQ(model.node_y, y);
  EXPECT_EQ(model.node_z, z);
  EXPECT_EQ(model.element_material, (std::vector<std::int32_t>{1, 1}));
  // Every per-node table exists at its final size, zeroed.
  EXPECT_EQ(model.node_constraint, std::vector<std::int32_t>(12, 0));
  EXPECT_EQ(model.node_spring_stiffness, std::vector<double>(12, 0.0));
  EXPECT_EQ(model.nodal_loads, std::vector<double>(36, 0.0));
}

TEST(MeshBlocks, LayerBoundaryTakesTheUpperLayer) {
  // Element bottoms at z = 0, 1, 2; layers 0..1 and 1..3.
  const GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 3}, {3}, {0, 1, 3})});
  EXPECT_EQ(model.element_material, (std::vector<std::int32_t>{1, 2, 2}));
}

TEST(MeshBlocks, LayerTopIsInclusive) {
  // The single layer 0..1 holds the element whose bottom lies on its top level.
  const GeneratedModel model = mesh({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 2}, {2}, {0, 1})});
  EXPECT_EQ(model.element_material, (std::vector<std::int32_t>{1, 1}));
}

TEST(MeshBlocks, SecondBlockNumbersFollowTheFirst) {
  // Block 1: 2 layers; block 2 touches it at x = 10 with 3 layers.
  const GeneratedModel model =
      mesh({block_of({0, 10}, {1}, {0, 1}, {1}, {0, 2}, {2}, {0, 1, 2}),
            block_of({10, 11}, {1}, {0, 1}, {1}, {0, 3}, {3}, {0, 1, 2, 3})});
  ASSERT_EQ(model.blocks.size(), 2u);
  EXPECT_EQ(model.blocks[1].block_node_offset, 12);
  EXPECT_EQ(model.blocks[1].block_node_count, 16);
  EXPECT_EQ(model.blocks[1].block_element_offset, 2);
  EXPECT_EQ(model.element_material, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  // The touching face exists twice: node 2 of block 1 and node 13 of block 2.
  EXPECT_EQ(model.node_x[1], 10.0);
  EXPECT_EQ(model.node_x[12], 10.0);
  EXPECT_EQ(model.element_nodes[2], (ElementCorners{13, 14, 16, 15, 17, 18, 20, 19}));
  EXPECT_EQ(model.block_element_counts(), (std::vector<std::int32_t>{2, 3}));
}

TEST(MeshBlocks, BlocksOfDifferentWidthsKeepTheirGrids) {
  const GeneratedModel model = mesh({block_of({0, 10}, {10}, {0, 1}, {1}, {0, 1}, {1}, {0, 1}),
                                     block_of({0, 3}, {3}, {0, 1}, {1}, {0, 1}, {1}, {0, 1}),
                                     block_of({0, 5}, {5}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})});
  EXPECT_EQ(model.blocks[0].grid_x.size(), 11u);
  EXPECT_EQ(model.blocks[1].grid_x, (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(model.blocks[2].grid_x, (std::vector<double>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(model.node_count, 11 * 4 + 4 * 4 + 6 * 4);
}

TEST(MeshBlocks, NoBlocksMakeAnEmptyModel) {
  const GeneratedModel model = mesh({});
  EXPECT_EQ(model.node_count, 0);
  EXPECT_EQ(model.element_count, 0);
  EXPECT_TRUE(model.block_element_counts().empty());
}

void expect_fatal(const std::vector<BlockParameters>& blocks, const std::string& expected) {
  GeneratedModel model;
  try {
    mesh_blocks(blocks, "parameter_in.txt", model);
    ADD_FAILURE() << "no error; expected " << expected;
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), expected);
  }
}

TEST(MeshBlocks, ElementBelowEveryLayerIsRejected) {
  expect_fatal({block_of({0, 1}, {1}, {0, 1}, {1}, {0, 2}, {2}, {1, 2})},
               "parameter_in.txt, line 6: block 1: the elements whose bottom lies at z = 0 are "
               "in no layer of the block");
}

TEST(MeshBlocks, NodeTotalBeyond32BitsIsRejected) {
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  // 2^31-1 elements along x and 1 along y and z: 2^31 lines along x overflow.
  expect_fatal({block_of({0, 1}, {big}, {0, 1}, {1}, {0, 1}, {1}, {0, 1})},
               "parameter_in.txt, line 6: block 1 makes the model too large: its node and "
               "element numbers would not fit 32 bits");
  // 50000 x 50000 x 1 elements: each factor fits, the product does not.
  expect_fatal({block_of({0, 1}, {50000}, {0, 1}, {50000}, {0, 1}, {1}, {0, 1})},
               "parameter_in.txt, line 6: block 1 makes the model too large: its node and "
               "element numbers would not fit 32 bits");
  // Nine segments of the largest division: the sum itself exceeds 32 bits.
  BlockParameters wide = block_of({0, 1}, {1}, {0, 1}, {1}, {0, 1}, {1}, {0, 1});
  wide.x_segment_count = 9;
  wide.x_points.assign(10, 0.0);
  wide.x_divisions.assign(9, big);
  expect_fatal({wide},
               "parameter_in.txt, line 6: block 1 makes the model too large: its node "
               "and element numbers would not fit 32 bits");
}

TEST(MeshBlocks, TotalOverTwoBlocksBeyond32BitsIsRejected) {
  // Each block alone has 1200 x 1200 x 1000 nodes (< 2^31); both do not fit.
  BlockParameters block = block_of({0, 1}, {1199}, {0, 1}, {1199}, {0, 1}, {999}, {0, 1});
  BlockParameters second = block;
  second.layer_levels_line = 12;
  expect_fatal({block, second},
               "parameter_in.txt, line 12: block 2 makes the model too large: its node and "
               "element numbers would not fit 32 bits");
}

}  // namespace
}  // namespace meridian
