// The reference listings load, with the counts printed in them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "listing/listing_reader.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

struct GoldenCounts {
  const char* name;
  std::int32_t node_capacity, element_capacity, interface_count, discrete_flag, step_count,
      load_case_count, point_load_count, temperature_flag, spring_type_count, spring_count,
      node_count;
  std::vector<std::int32_t> zone_element_counts;
};

const GoldenCounts golden_cases[] = {
    {"single_element", 8, 1, 0, 0, 1, 1, 2, 0, 0, 0, 8, {1}},
    {"two_bodies", 24, 4, 0, 0, 2, 1, 1, 0, 0, 0, 24, {2, 2}},
    {"element_pages", 56, 13, 0, 0, 2, 1, 1, 0, 0, 0, 56, {13}},
    {"job2_flat_2x2", 36, 8, 1, 0, 2, 1, 1, 0, 0, 0, 36, {4, 4}},
    {"job3_materials", 27, 8, 0, 0, 2, 1, 1, 0, 0, 0, 27, {8}},
    {"springs_41", 91, 16, 0, 41, 2, 1, 1, 0, 3, 41, 50, {16}},
    {"job4_release_some", 23, 3, 0, 7, 2, 1, 1, 0, 2, 7, 16, {3}},
};

// The reference runs sit beside the project; a checkout without them skips
// these cases rather than failing them.
bool have_reference_runs() { return std::filesystem::is_directory(MERIDIAN_GOLDEN_DIR); }

class GoldenListing : public ::testing::TestWithParam<GoldenCounts> {};

TEST_P(GoldenListing, LoadsWithItsCounts) {
  if (!have_reference_runs()) GTEST_SKIP() << "no reference runs at " << MERIDIAN_GOLDEN_DIR;
  const GoldenCounts& g = GetParam();
  InputFile in =
      InputFile::open_existing(std::string(MERIDIAN_GOLDEN_DIR) + "/" + g.name + "/input/n3dhsp");
  const ListingModel m = load_listing(in);
  EXPECT_EQ(m.node_capacity, g.node_capacity);
  EXPECT_EQ(m.element_capacity, g.element_capacity);
  EXPECT_EQ(m.interface_count, g.interface_count);
  EXPECT_EQ(m.discrete_flag, g.discrete_flag);
  EXPECT_EQ(m.step_count, g.step_count);
  EXPECT_EQ(m.load_case_count, g.load_case_count);
  EXPECT_EQ(m.point_load_count, g.point_load_count);
  EXPECT_EQ(m.temperature_flag, g.temperature_flag);
  EXPECT_EQ(m.spring_type_count, g.spring_type_count);
  EXPECT_EQ(m.spring_count, g.spring_count);
  EXPECT_EQ(m.node_count, g.node_count);
  EXPECT_EQ(m.zone_count, static_cast<std::int32_t>(g.zone_element_counts.size()));
  EXPECT_EQ(m.zone_element_counts, g.zone_element_counts);
  EXPECT_EQ(m.steps.step_count(), g.step_count);
  EXPECT_EQ(m.node_x.size(), static_cast<std::size_t>(g.node_capacity));
  EXPECT_EQ(m.element_nodes.size(), static_cast<std::size_t>(g.element_capacity));
  EXPECT_EQ(m.spring_force.size(), static_cast<std::size_t>(g.spring_count));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenListing, ::testing::ValuesIn(golden_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GoldenListing, ValuesOfTheSingleElementCase) {
  if (!have_reference_runs()) GTEST_SKIP() << "no reference runs at " << MERIDIAN_GOLDEN_DIR;
  InputFile in =
      InputFile::open_existing(std::string(MERIDIAN_GOLDEN_DIR) + "/single_element/input/n3dhsp");
  const ListingModel m = load_listing(in);
  EXPECT_EQ(m.node_constraint, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(m.node_x[1], 1.5);
  EXPECT_EQ(m.node_y[2], 2.0);
  EXPECT_EQ(m.node_z[4], 0.5);
  EXPECT_EQ(m.element_nodes[0], (ElementCorners{1, 2, 4, 3, 5, 6, 8, 7}));
  EXPECT_EQ(m.nodal_loads[1 * 3 + 0], 150.0);
  EXPECT_EQ(m.nodal_loads[6 * 3 + 2], -2500.0);
  std::vector<double> result, stress;
  m.steps.load(1, result, stress);
  EXPECT_EQ(result[0], -0.34015e-3);
  EXPECT_EQ(result[31], 0.26176e2);
  // A node of one element only: its corner value. Node 1 is corner 1, whose
  // opposite point is 7: XX 0.293E+03 and 0.346E+03.
  EXPECT_EQ(stress[0], (293.0 - 346.0) * 0.3660254193280634 + 293.0);
}

}  // namespace
}  // namespace meridian

namespace meridian {
namespace {

TEST(ExampleListing, LoadsWithTheModelOfTheExampleTool) {
  InputFile in = InputFile::open_existing(std::string(MERIDIAN_SOURCE_DIR) + "/examples/n3dhsp");
  const ListingModel m = load_listing(in);
  EXPECT_EQ(m.node_capacity, 235);  // 140 slab + 60 block + 35 ground nodes
  EXPECT_EQ(m.element_capacity, 96);
  EXPECT_EQ(m.node_count, 200);  // the ground nodes belong to springs only
  EXPECT_EQ(m.zone_element_counts, (std::vector<std::int32_t>{72, 24}));
  EXPECT_EQ(m.spring_type_count, 2);
  EXPECT_EQ(m.spring_count, 55);
  EXPECT_EQ(m.step_count, 3);
  EXPECT_EQ(m.steps.step_count(), 3);
  EXPECT_EQ(m.load_case_count, 2);
  EXPECT_EQ(m.point_load_count, 32);  // 20 top nodes, 12 nodes of the x = 1 face
  EXPECT_EQ(m.temperature_flag, 1);
  EXPECT_EQ(m.node_temperature[234], 19.0);  // a ground node at z = -0.5
}

}  // namespace
}  // namespace meridian
