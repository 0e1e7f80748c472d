// Divisions of a parameter file whose model tables would not fit the memory
// available end the run before the mesh is sized, naming the model's counts
// and the need, and before any card is written.

#include <gtest/gtest.h>

#include <string>

#include "generator/generator_harness.hpp"
#include "records/fatal.hpp"
#include "support/case_names.hpp"
#include "support/memory_ceiling.hpp"

namespace meridian::testing {
namespace {

using meridian::testing::PrintTo;

std::string block(const std::string& x, const std::string& y, const std::string& z) {
  return lines({"1 1 1 1", x, y, z, "0 1"});
}

const std::string other_sections =
    lines({"* constraints", "7", "1 0 0 0 1 0 1", "* end", "0", "0", "0", "0", "0"});

struct MeshCase {
  const char* name;
  std::string blocks;
  std::uint64_t ceiling_mib;
  const char* message;
};

class MeshMemory : public ::testing::TestWithParam<MeshCase> {};

TEST_P(MeshMemory, EndsTheRunBeforeTheMeshIsSized) {
  const MeshCase& c = GetParam();
  GeneratorHarness run(c.blocks + other_sections);
  MemoryCeiling ceiling(mebibytes(c.ceiling_mib));
  try {
    run.read();
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), c.message);
  }
  run.flush();
  EXPECT_EQ(run.files().out_node.contents(), "");
  EXPECT_EQ(run.files().out_element.contents(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeshMemory,
    ::testing::Values(
        // 2002002002 nodes still fit the 32-bit numbering, but their tables
        // (60 bytes a node, 36 an element) fit no machine.
        MeshCase{"two_billion_nodes",
                 lines({"* blocks", "1"}) + block("0 2 1000000", "0 1 1000", "0 1 1"), 64,
                 "parameter_in.txt, line 7: the tables for a model of 2002002002 nodes and "
                 "1000000000 elements would need 148896 MiB, more than the 64 MiB of memory "
                 "available"},
        MeshCase{"ten_million_elements",
                 lines({"* blocks", "1"}) + block("0 2 1000", "0 1 1000", "0 1 10"), 64,
                 "parameter_in.txt, line 7: the tables for a model of 11022011 nodes and "
                 "10000000 elements would need 975 MiB, more than the 64 MiB of memory "
                 "available"},
        // The grid lines of one block come before the model tables: 5 * 10^8
        // divisions along x need 4 GB of them.
        MeshCase{"grid_lines", lines({"* blocks", "1"}) + block("0 2 500000000", "0 1 1", "0 1 1"),
                 64,
                 "parameter_in.txt, line 7: the tables for the grid lines of block 1 (500000000, "
                 "1 and 1 elements along x, y and z) and of the blocks before it would need "
                 "3815 MiB, more than the 64 MiB of memory available"},
        // Each block fits on its own; the second one's tables come on top of
        // the first's.
        MeshCase{"blocks_together",
                 lines({"* blocks", "2"}) + block("0 2 200", "0 1 200", "0 1 10") +
                     block("0 2 200", "0 1 200", "0 1 10"),
                 64,
                 "parameter_in.txt, line 12: the tables for a model of 888822 nodes and 800000 "
                 "elements would need 79 MiB, more than the 64 MiB of memory available"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meridian::testing
