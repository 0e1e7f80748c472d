// The benchmark listings: the fast step writer lays out exactly what the
// fixture writer would for the same model and values, and the reader loads it.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "listing/listing_reader.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/case_names.hpp"
#include "support/listing_writer.hpp"
#include "support/scratch_dir.hpp"
#include "support/synthetic_listing.hpp"

namespace meridian::testing {
namespace {

using meridian::testing::PrintTo;

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SizeCase {
  const char* name;
  SyntheticListingSize size;
  std::int32_t node_count;  // nodes written to the model views
};

class SyntheticListing : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SyntheticListing, WritesTheFixtureWritersBytesAndLoads) {
  const SyntheticListingSize& size = GetParam().size;
  ScratchDir dir;
  const std::uint64_t bytes = write_synthetic_listing(size, "n3dhsp");
  const std::string written = file_text("n3dhsp");
  EXPECT_EQ(bytes, written.size());
  EXPECT_EQ(written, write_listing_text(synthetic_fixture(size)));

  InputFile in = InputFile::open_existing("n3dhsp");
  const ListingModel model = load_listing(in);
  EXPECT_EQ(model.node_capacity, size.nodes);
  EXPECT_EQ(model.element_capacity, size.elements);
  EXPECT_EQ(model.step_count, size.steps);
  EXPECT_EQ(model.steps.step_count(), size.steps);
  EXPECT_EQ(model.spring_count, size.springs);
  EXPECT_EQ(model.zone_count, 1);
  EXPECT_EQ(model.node_count, GetParam().node_count);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SyntheticListing,
    ::testing::Values(SizeCase{"one_element", {8, 1, 1, 0, 6}, 8},
                      // Several node pages, element pages and a last page of one element.
                      SizeCase{"paged", {130, 19, 3, 0, 6}, 130},
                      // 3 x 3 x 4 block cut to 30 elements: 64 nodes of the full layers
                      // and 8 of the 3 top elements; with springs only the nodes of
                      // hexahedra are written. Spare nodes, two pages of springs.
                      SizeCase{"springs", {80, 30, 2, 45, 4}, 72}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(SyntheticListingSize, RefusesTooFewNodes) {
  ScratchDir dir;
  EXPECT_THROW(write_synthetic_listing({7, 1, 1, 0, 6}, "n3dhsp"), std::runtime_error);
  EXPECT_EQ(synthetic_block_nodes(1), 8);
  EXPECT_EQ(synthetic_block_nodes(27), 64);
}

}  // namespace
}  // namespace meridian::testing
