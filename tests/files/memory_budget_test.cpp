// The check made before sizing tables from counts read in a file.

#include "files/memory_budget.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "support/memory_ceiling.hpp"

namespace meridian::testing {
namespace {

struct TableBytesCase {
  std::int64_t rows;
  std::uint64_t row_bytes;
  std::uint64_t bytes;
};

void PrintTo(const TableBytesCase& c, std::ostream* out) {
  *out << c.rows << " rows of " << c.row_bytes << " bytes";
}

class TableBytes : public ::testing::TestWithParam<TableBytesCase> {};

TEST_P(TableBytes, MultipliesOrHoldsAtTheCeiling) {
  EXPECT_EQ(table_bytes(GetParam().rows, GetParam().row_bytes), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableBytes,
    ::testing::Values(TableBytesCase{-5, 8, 0}, TableBytesCase{0, 8, 0}, TableBytesCase{7, 0, 0},
                      TableBytesCase{3, 8, 24},
                      TableBytesCase{2'147'483'647, 24, 51'539'607'528},
                      TableBytesCase{std::int64_t{1} << 40, std::uint64_t{1} << 20,
                                     table_bytes_ceiling},
                      TableBytesCase{std::int64_t{1} << 40, (std::uint64_t{1} << 20) + 1,
                                     table_bytes_ceiling},
                      TableBytesCase{std::numeric_limits<std::int64_t>::max(), 8,
                                     table_bytes_ceiling}));

TEST(MemoryBudget, TheProcessCeilingLowersTheMemoryAvailable) {
  const std::uint64_t unlimited = platform::available_memory();
  EXPECT_GT(unlimited, 0u);
  {
    MemoryCeiling ceiling(mebibytes(64));
    EXPECT_EQ(platform::available_memory(), std::min(unlimited, mebibytes(64)));
  }
  EXPECT_GT(platform::available_memory(), 0u);
}

TEST(MemoryBudget, ANeedWithinTheMemoryAvailablePasses) {
  MemoryCeiling ceiling(mebibytes(64));
  EXPECT_NO_THROW(require_memory("deck", 3, "node count 5", 0));
  EXPECT_NO_THROW(require_memory("deck", 3, "node count 5", mebibytes(64)));
}

struct RefusalCase {
  std::uint64_t bytes;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.bytes << " bytes"; }

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, EndTheRunNamingTheCountsAndTheNeed) {
  MemoryCeiling ceiling(mebibytes(64));
  if (platform::available_memory() < mebibytes(64)) GTEST_SKIP() << "less than 64 MiB available";
  try {
    require_memory("nikein.txt", 7, "node count 5 and element count 9", GetParam().bytes);
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(
        // One byte over rounds up to the next MiB.
        RefusalCase{mebibytes(64) + 1,
                    "nikein.txt, line 7: the tables for node count 5 and element count 9 would "
                    "need 65 MiB, more than the 64 MiB of memory available"},
        RefusalCase{mebibytes(3000),
                    "nikein.txt, line 7: the tables for node count 5 and element count 9 would "
                    "need 3000 MiB, more than the 64 MiB of memory available"},
        RefusalCase{table_bytes_ceiling,
                    "nikein.txt, line 7: the tables for node count 5 and element count 9 would "
                    "need 1099511627776 MiB, more than the 64 MiB of memory available"}));

}  // namespace
}  // namespace meridian::testing
