// Counts of an input deck whose tables would not fit the memory available end
// the run before the tables are sized, naming the counts and the need. The
// tests lower the process's memory ceiling so that a small deck reaches the
// check.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "deck/input_deck.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/memory_ceiling.hpp"

namespace meridian {
namespace {

using testing::mebibytes;
using testing::MemoryCeiling;

std::string parse_failure(const std::string& text) {
  try {
    InputFile in = InputFile::from_text("nikein.txt", text);
    parse_input_deck(in);
  } catch (const FatalError& error) {
    return error.what();
  }
  return "";
}

// A control record (2A1,I3,2I9,2I10,2I5) with the three counts in place.
std::string control(long nodes, long elements, long interfaces) {
  char record[80];
  std::snprintf(record, sizeof record, "    1%9ld%9ld         1         0    1%5ld\n", nodes,
                elements, interfaces);
  return record;
}

const std::string header = "test deck\n*   Interfaces  (control record follows)\n";

// 8 nodes, `elements` hexahedra on them, and `interfaces` interfaces whose
// sides each claim `segments` segments; the last count record is line
// 17 + elements + interfaces.
std::string deck_with_interfaces(int elements, int interfaces, int segments) {
  std::string text = header + control(8, elements, interfaces) + "*****Nodal point cards\n";
  for (int i = 1; i <= 8; ++i) {
    char card[100];
    std::snprintf(card, sizeof card, "%8d%5s%20s%20s%20s\n", i, "0", "0.0", "0.0", "0.0");
    text += card;
  }
  text += "*****Element cards\n*  number mat nodes\n";
  for (int e = 1; e <= elements; ++e) {
    char card[100];
    std::snprintf(card, sizeof card, "%8d%5d%8d%8d%8d%8d%8d%8d%8d%8d\n", e, 1, 1, 2, 3, 4, 5, 6, 7,
                  8);
    text += card;
  }
  text += "*****Sliding interfaces\n*  master  slave\n*  segments\n";
  for (int i = 0; i < interfaces; ++i) {
    char card[40];
    std::snprintf(card, sizeof card, "%8d%8d\n", segments, segments);
    text += card;
  }
  return text;
}

TEST(InputDeckMemory, NodeAndElementTablesBeyondTheMemoryAvailable) {
  MemoryCeiling ceiling(mebibytes(64));
  // 60 bytes per node, 36 per element.
  EXPECT_EQ(parse_failure(header + control(9999999, 1, 0)),
            "nikein.txt, line 3: the tables for node count 9999999, element count 1 and "
            "interface count 0 would need 573 MiB, more than the 64 MiB of memory available");
}

TEST(InputDeckMemory, InterfaceCountTablesBeyondTheMemoryAvailable) {
  MemoryCeiling ceiling(mebibytes(1));
  // 56 bytes per interface.
  EXPECT_EQ(parse_failure(header + control(8, 0, 20000)),
            "nikein.txt, line 3: the tables for node count 8, element count 0 and interface "
            "count 20000 would need 2 MiB, more than the 1 MiB of memory available");
}

// Each side is bounded by the element count, but not all sides together: 2000
// interfaces of 50 + 50 segments need 3.2 MB of segment tables.
TEST(InputDeckMemory, SegmentTablesOfAllInterfacesBeyondTheMemoryAvailable) {
  const std::string text = deck_with_interfaces(50, 2000, 50);
  MemoryCeiling ceiling(mebibytes(2));
  EXPECT_EQ(parse_failure(text),
            "nikein.txt, line 2067: the tables for interface count 2000 with 200000 segments in "
            "all would need 4 MiB, more than the 2 MiB of memory available");
}

TEST(InputDeckMemory, SegmentTablesWithinTheMemoryAvailableAreRead) {
  // The same deck with one segment per side reads on to its segment cards.
  const std::string text = deck_with_interfaces(50, 2000, 1);
  MemoryCeiling ceiling(mebibytes(2));
  EXPECT_EQ(parse_failure(text),
            "nikein.txt, line 2068: end of file while reading the interface "
            "segments of the input deck");
}

}  // namespace
}  // namespace meridian
