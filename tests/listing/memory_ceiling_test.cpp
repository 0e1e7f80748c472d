// Counts of a listing whose tables would not fit the memory available end the
// run before anything is allocated, naming the counts and the need. The tests
// lower the process's memory ceiling so that small counts reach the check (the
// fuzz harnesses run under such a ceiling too).

#include "support/memory_ceiling.hpp"

#include <gtest/gtest.h>

#include <string>

#include "listing/load_helpers.hpp"
#include "support/case_names.hpp"

namespace meridian::testing {
namespace {

using meridian::testing::PrintTo;

struct CeilingCase {
  const char* name;
  PrintedCounts counts;
  bool discrete_elements;
  std::uint64_t ceiling_mib;
  const char* line_text;  // text of the line the message names
  std::string message;    // after "n3dhsp, line <n>: "
};

PrintedCounts model_counts(std::int32_t nodes, std::int32_t elements, std::int32_t interfaces,
                           std::int32_t load_cases) {
  PrintedCounts counts;
  counts.node_capacity = nodes;
  counts.element_capacity = elements;
  counts.interface_count = interfaces;
  counts.load_case_count = load_cases;
  return counts;
}

PrintedCounts spring_counts(std::int32_t types, std::int32_t springs) {
  PrintedCounts counts;
  counts.discrete_flag = 1;
  counts.spring_type_count = types;
  counts.spring_count = springs;
  return counts;
}

class MemoryCeilingCases : public ::testing::TestWithParam<CeilingCase> {};

TEST_P(MemoryCeilingCases, EndTheRunBeforeAllocating) {
  const CeilingCase& c = GetParam();
  ListingFixture fixture;
  fixture.counts = c.counts;
  const std::string text = write_listing_text(fixture);
  const long line = line_of(text, c.line_text);
  ASSERT_GT(line, 0);
  MemoryCeiling ceiling(mebibytes(c.ceiling_mib));
  EXPECT_EQ(load_error(text), "n3dhsp, line " + std::to_string(line) + ": " + c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryCeilingCases,
    ::testing::Values(
        // 99999 nodes with 10 load cases: 1156 bytes per node, 727 of them for
        // its record of model_load.dat.
        CeilingCase{"node_tables", model_counts(99999, 0, 0, 10), false, 16,
                    "number of concentrated nodal loads",
                    "the tables for node_capacity 99999, element_capacity 0, interface_count 0 "
                    "and load_case_count 10 would need 111 MiB, more than the 16 MiB of memory "
                    "available"},
        // With 100 load cases the node records of model_load.dat (rendered once
        // for all zones) need 610 MiB more than the tables' 247 MiB.
        CeilingCase{"node_records_of_the_model_view", model_counts(99999, 0, 0, 100), false, 512,
                    "number of concentrated nodal loads",
                    "the tables for node_capacity 99999, element_capacity 0, interface_count 0 "
                    "and load_case_count 100 would need 857 MiB, more than the 512 MiB of memory "
                    "available"},
        // 99999 elements: 52 bytes each; 99999 interfaces: 48 bytes each.
        CeilingCase{"element_and_interface_tables", model_counts(0, 99999, 99999, 0), false, 8,
                    "number of concentrated nodal loads",
                    "the tables for node_capacity 0, element_capacity 99999, interface_count "
                    "99999 and load_case_count 0 would need 10 MiB, more than the 8 MiB of "
                    "memory available"},
        // 9999999 springs: 48 bytes each.
        CeilingCase{"spring_tables", spring_counts(1, 9999999), true, 64,
                    "number of discrete elements",
                    "the tables for spring_type_count 1 and spring_count 9999999 would need 458 "
                    "MiB, more than the 64 MiB of memory available"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meridian::testing
