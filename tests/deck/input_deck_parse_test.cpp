// The input-deck reader on decks held in memory: marker searches and their
// bounds, the cards of each section, temperature pairs and bad input.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "deck/input_deck.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

InputDeck parse(const std::string& text) {
  InputFile in = InputFile::from_text("nikein.txt", text);
  return parse_input_deck(in);
}

// The message of the fatal error that parsing `text` ends with ("" when none).
std::string parse_failure(const std::string& text) {
  try {
    parse(text);
  } catch (const FatalError& error) {
    return error.what();
  }
  return "";
}

std::string repeat(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

// A control record (2A1,I3,2I9,2I10,2I5) with the three counts in place.
std::string control(long nodes, long elements, long interfaces) {
  char record[80];
  std::snprintf(record, sizeof record, "    1%9ld%9ld         1         0    1%5ld\n", nodes,
                elements, interfaces);
  return record;
}

// A node card (I8,F5.1,3E20.11) with the constraint field given as text.
std::string node_card(int number, const char* constraint, const char* x, const char* y,
                      const char* z) {
  char record[100];
  std::snprintf(record, sizeof record, "%8d%5s%20s%20s%20s\n", number, constraint, x, y, z);
  return record;
}

std::string temperature_card(int node, const char* temperature) {
  char record[40];
  std::snprintf(record, sizeof record, "%8d%10s\n", node, temperature);
  return record;
}

const std::string header = "test deck\n*   Interfaces  (control record follows)\n";
// The records between the element cards and the temperature pairs of a deck
// without interfaces: 3 skipped records, then the marker search and one skip.
const std::string tail_records =
    "*****Sliding interfaces\n*  none\n*  none\n*****Loads\n*--------- nodal temperatures\n"
    "*  node   temperature\n";

// A deck of `nodes` nodes (node i at x = i) and no element, with temperature
// pairs `pairs`.
std::string nodes_only_deck(int nodes, const std::string& pairs) {
  std::string text = header + control(nodes, 0, 0) + "*****Nodal point cards\n";
  for (int i = 1; i <= nodes; ++i) {
    text += node_card(i, "0", (std::to_string(i) + ".0").c_str(), "0.0", "0.0");
  }
  return text + "*****Element cards\n*  none\n" + tail_records + pairs;
}

// --- marker searches -------------------------------------------------------

// The interface header must be met within 20 two-word reads: preceded by 19
// two-word records it is found, preceded by 20 it is not and every count stays
// 0. Blank records and one-word records joined with the next do not count.
struct HeaderCase {
  const char* name;
  std::string before_header;
  bool found;
};

class InterfaceHeaderSearch : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(InterfaceHeaderSearch, FindsTheControlRecordWithinTwentyReads) {
  const HeaderCase& c = GetParam();
  // With the header found: 1 node at (1,2,3), temperature 10. Without it the
  // counts are 0; the node search still consumes the same records and the
  // pair (1, 0) ends the section at node 0 without setting anything.
  const std::string text = c.before_header + "* Interfaces\n" + control(1, 0, 0) +
                           "*****Nodal point cards\n" + node_card(1, "7", "1.0", "2.0", "3.0") +
                           "*****Element cards\n*  none\n" + tail_records +
                           (c.found ? temperature_card(1, "10.0") + temperature_card(1, "10.0")
                                    : temperature_card(1, "10.0") + temperature_card(0, "0.0"));
  const InputDeck deck = parse(text);
  if (c.found) {
    EXPECT_EQ(deck.node_count, 1);
    EXPECT_EQ(deck.node_x, std::vector<double>{1.0});
    EXPECT_EQ(deck.node_z, std::vector<double>{3.0});
    EXPECT_EQ(deck.node_constraint, std::vector<std::int32_t>{7});
    EXPECT_EQ(deck.node_temperature, std::vector<double>{10.0});
  } else {
    EXPECT_EQ(deck.node_count, 0);
    EXPECT_EQ(deck.element_count, 0);
    EXPECT_EQ(deck.interface_count, 0);
    EXPECT_TRUE(deck.node_x.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterfaceHeaderSearch,
    ::testing::Values(
        HeaderCase{"header_is_first_read", "", true},
        HeaderCase{"header_is_twentieth_read", repeat("a b\n", 19), true},
        HeaderCase{"header_is_twenty_first_read", repeat("a b\n", 20), false},
        HeaderCase{"blank_records_do_not_count", repeat("a b\n\n   \n", 19), true},
        // "a" alone and "b c" make one read: 19 reads before the header.
        HeaderCase{"one_word_record_joins_the_next", "a\nb c\n" + repeat("a b\n", 18), true},
        // 38 one-word records make 19 reads; 40 make 20.
        HeaderCase{"one_word_records_pair_up", repeat("a\n", 38), true},
        HeaderCase{"forty_one_word_records", repeat("a\n", 40), false},
        HeaderCase{"lower_case_does_not_match", "* interfaces\n" + repeat("a b\n", 19), false}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(InputDeckParse, OneWordRecordThenHeaderMakesOneRead) {
  // "*" alone and "Interfaces ..." form one two-word read; the control record is
  // the record after the second one.
  const std::string text = "*\nInterfaces follow\n" + control(1, 0, 0) + "*****Nodal\n" +
                           node_card(1, "3", "4.0", "5.0", "6.0") + "s\ns\n" + tail_records +
                           temperature_card(1, "2.5") + temperature_card(1, "2.5");
  const InputDeck deck = parse(text);
  ASSERT_EQ(deck.node_count, 1);
  EXPECT_EQ(deck.node_y, std::vector<double>{5.0});
  EXPECT_EQ(deck.node_constraint, std::vector<std::int32_t>{3});
  EXPECT_EQ(deck.node_temperature, std::vector<double>{2.5});
}

// The node marker must be met within 200 one-word reads. When it is not, no
// node card is read: the skips and the temperature search then take the
// records that follow.
struct NodeMarkerCase {
  const char* name;
  std::string before_marker;
  std::string marker;
  bool found;
};

class NodeMarkerSearch : public ::testing::TestWithParam<NodeMarkerCase> {};

TEST_P(NodeMarkerSearch, ReadsNodeCardsOnlyAfterTheMarker) {
  const NodeMarkerCase& c = GetParam();
  const std::string text = header + control(1, 0, 0) + c.before_marker + c.marker + "\n" +
                           node_card(1, "7", "1.0", "2.0", "3.0") + "s1\ns2\ns3\ns4\ns5\n" +
                           "*---------\nskipped\n" + temperature_card(1, "10.0") +
                           temperature_card(1, "10.0");
  const InputDeck deck = parse(text);
  ASSERT_EQ(deck.node_count, 1);
  EXPECT_EQ(deck.node_temperature, std::vector<double>{10.0});
  if (c.found) {
    EXPECT_EQ(deck.node_x, std::vector<double>{1.0});
    EXPECT_EQ(deck.node_constraint, std::vector<std::int32_t>{7});
  } else {
    EXPECT_EQ(deck.node_x, std::vector<double>{0.0});
    EXPECT_EQ(deck.node_constraint, std::vector<std::int32_t>{0});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeMarkerSearch,
    ::testing::Values(
        NodeMarkerCase{"marker_is_two_hundredth_read", repeat("x\n", 199), "*****Nodal", true},
        NodeMarkerCase{"marker_is_201st_read", repeat("x\n", 200), "*****Nodal", false},
        NodeMarkerCase{"blank_records_do_not_count", repeat("x\n\n", 199), "*****Nodal", true},
        NodeMarkerCase{"longer_word_starting_with_marker", "", "*****Nodal_points", true},
        NodeMarkerCase{"marker_before_a_comma", "", "*****Nodal,cards", true},
        NodeMarkerCase{"shorter_word_does_not_match", repeat("x\n", 198), "*****Noda", false}),
    [](const ::testing::TestParamInfo<NodeMarkerCase>& info) {
      return std::string(info.param.name);
    });

TEST(InputDeckParse, TemperatureMarkerIsMatchedByItsFirstTenCharacters) {
  // "*-------------- temperatures" starts with the marker; the record after it is
  // skipped and the pairs follow.
  const std::string text =
      header + control(2, 0, 0) + "*****Nodal\n" + node_card(1, "0", "0.0", "0.0", "0.0") +
      node_card(2, "0", "0.0", "0.0", "0.0") + "e\ne\ns\ns\ns\n*---------\n" +
      "*-------------- temperatures\n" + temperature_card(1, "1.0") + temperature_card(2, "3.0");
  // The first "*---------" matches; the second is the skipped record.
  EXPECT_EQ(parse(text).node_temperature, (std::vector<double>{1.0, 3.0}));
  const std::string longer = header + control(2, 0, 0) + "*****Nodal\n" +
                             node_card(1, "0", "0.0", "0.0", "0.0") +
                             node_card(2, "0", "0.0", "0.0", "0.0") +
                             "e\ne\ns\ns\ns\n*-------------- temperatures\nskipped\n" +
                             temperature_card(1, "1.0") + temperature_card(2, "3.0");
  EXPECT_EQ(parse(longer).node_temperature, (std::vector<double>{1.0, 3.0}));
}

// --- node cards: the constraint field --------------------------------------

struct ConstraintCase {
  const char* name;
  const char* field;  // columns 9-13
  std::int32_t code;
};

class ConstraintField : public ::testing::TestWithParam<ConstraintCase> {};

TEST_P(ConstraintField, GivesTheDirectionCode) {
  const ConstraintCase& c = GetParam();
  const std::string text = header + control(1, 0, 0) + "*****Nodal\n" +
                           node_card(1, c.field, "0.0", "0.0", "0.0") + "s\ns\n" + tail_records +
                           temperature_card(1, "0.0") + temperature_card(1, "0.0");
  EXPECT_EQ(parse(text).node_constraint, std::vector<std::int32_t>{c.code});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConstraintField,
    ::testing::Values(
        ConstraintCase{"integer", "    7", 7},
        // Without a point an F5.1 field would read 0.7; as an integer it is 7.
        ConstraintCase{"integer_left", "7    ", 7}, ConstraintCase{"real_with_point", "  7.0", 7},
        ConstraintCase{"real_point_only", "   3.", 3}, ConstraintCase{"real_truncated", "  4.9", 4},
        ConstraintCase{"real_with_exponent", "0.5e1", 5}, ConstraintCase{"blank", "     ", 0},
        ConstraintCase{"out_of_table_code_kept", "   12", 12}),
    [](const ::testing::TestParamInfo<ConstraintCase>& info) {
      return std::string(info.param.name);
    });

TEST(InputDeckParse, UnreadableConstraintFieldNamesTheLine) {
  const std::string text = header + control(1, 0, 0) + "*****Nodal\n" +
                           node_card(1, "  abc", "0.0", "0.0", "0.0") + "s\ns\n" + tail_records +
                           temperature_card(1, "0.0") + temperature_card(1, "0.0");
  const std::string message = parse_failure(text);
  EXPECT_NE(message.find("nikein.txt, line 5"), std::string::npos) << message;
  EXPECT_NE(message.find("abc"), std::string::npos) << message;
}

// --- temperature pairs -----------------------------------------------------

struct TemperatureCase {
  const char* name;
  int nodes;
  std::string pairs;
  std::vector<double> temperatures;
};

class TemperaturePairs : public ::testing::TestWithParam<TemperatureCase> {};

TEST_P(TemperaturePairs, SetRampsInOrder) {
  const TemperatureCase& c = GetParam();
  EXPECT_EQ(parse(nodes_only_deck(c.nodes, c.pairs)).node_temperature, c.temperatures);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemperaturePairs,
    ::testing::Values(TemperatureCase{"ramp_over_five_nodes",
                                    5,
                                    temperature_card(1, "10.0") + temperature_card(5, "50.0"),
                                    {10.0, 20.0, 30.0, 40.0, 50.0}},
                    // Node 3 is set by both pairs: the later pair wins.
                    TemperatureCase{"overlapping_pairs",
                                    9,
                                    temperature_card(1, "0.0") + temperature_card(3, "0.0") +
                                        temperature_card(3, "5.0") + temperature_card(9, "5.0"),
                                    {0.0, 0.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0}},
                    // A later pair overwrites part of an earlier ramp.
                    TemperatureCase{"overwrite_inside_a_ramp",
                                    4,
                                    temperature_card(1, "0.0") + temperature_card(3, "30.0") +
                                        temperature_card(2, "7.0") + temperature_card(4, "9.0"),
                                    {0.0, 7.0, 8.0, 9.0}},
                    TemperatureCase{"single_node_pair",
                                    3,
                                    temperature_card(2, "4.5") + temperature_card(2, "99.0") +
                                        temperature_card(3, "1.0") + temperature_card(3, "2.0"),
                                    {0.0, 4.5, 1.0}},
                    // q below p sets nothing, whatever its numbers, and the section goes on.
                    TemperatureCase{"descending_pair_sets_nothing",
                                    3,
                                    temperature_card(7, "1.0") + temperature_card(-3, "2.0") +
                                        temperature_card(1, "1.0") + temperature_card(3, "3.0"),
                                    {1.0, 2.0, 3.0}},
                    // A descending pair whose q is the last node ends the section.
                    TemperatureCase{"descending_pair_ends_section",
                                    2,
                                    temperature_card(5, "1.0") + temperature_card(2, "2.0"),
                                    {0.0, 0.0}},
                    // Non-integral steps: tp + k (tq - tp) / (q - p), each operation rounded.
                    TemperatureCase{"ramp_in_thirds",
                                    4,
                                    temperature_card(1, "0.0") + temperature_card(4, "1.0"),
                                    {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}},
                    TemperatureCase{"descending_ramp",
                                    3,
                                    temperature_card(1, "30.0") + temperature_card(3, "10.0"),
                                    {30.0, 20.0, 10.0}}),
    [](const ::testing::TestParamInfo<TemperatureCase>& info) {
      return std::string(info.param.name);
    });

// --- elements, zones and interfaces ----------------------------------------

const std::string two_element_deck_body =
    "*****Nodal point cards\n" + node_card(1, "7.0", "0.0", "0.0", "0.0") +
    node_card(2, "0.0", "1.0", "0.0", "0.0") + node_card(3, "0.0", "1.0", "1.0", "0.0") +
    node_card(4, "0.0", "0.0", "1.0", "0.0") + node_card(5, "0.0", "0.0", "0.0", "1.0") +
    node_card(6, "0.0", "1.0", "0.0", "1.0") + "*****Element cards\n*  number mat nodes\n" +
    "       1    3       1       2       3       4       5       6       5       6\n" +
    "       2    4       6       5       4       3       2       1       1       1\n" +
    "*****Sliding interfaces\n*  master  slave\n*  segments\n";

TEST(InputDeckParse, ElementsFormOneZoneInCardOrder) {
  const std::string text = header + control(6, 2, 0) + two_element_deck_body +
                           "*--------- temperatures\n*\n" + temperature_card(1, "1.0") +
                           temperature_card(6, "6.0");
  const InputDeck deck = parse(text);
  ASSERT_EQ(deck.element_count, 2);
  EXPECT_EQ(deck.element_material, (std::vector<std::int32_t>{3, 4}));
  EXPECT_EQ(deck.element_nodes,
            (std::vector<ElementCorners>{{1, 2, 3, 4, 5, 6, 5, 6}, {6, 5, 4, 3, 2, 1, 1, 1}}));
  EXPECT_EQ(deck.zone_element_counts, std::vector<std::int32_t>{2});
  EXPECT_TRUE(deck.interface_segments.empty());
  EXPECT_EQ(deck.nodal_loads, std::vector<double>(18, 0.0));
  EXPECT_EQ(deck.node_temperature, (std::vector<double>{1.0, 2.0, 3.0, 4.0, 5.0, 6.0}));
}

TEST(InputDeckParse, NoElementNoZone) {
  const InputDeck deck =
      parse(nodes_only_deck(2, temperature_card(1, "0.0") + temperature_card(2, "0.0")));
  EXPECT_TRUE(deck.zone_element_counts.empty());
  EXPECT_TRUE(deck.element_nodes.empty());
}

TEST(InputDeckParse, NegativeCountsMakeEmptyTables) {
  // Interface count -1 reads no interface record; node count -4 reads no card.
  const std::string text = header + control(-4, -2, -1) + "*****Nodal\ns\ns\ns\ns\ns\n" +
                           "*---------\n*\n" + temperature_card(1, "0.0") +
                           temperature_card(0, "0.0");
  const InputDeck deck = parse(text);
  EXPECT_EQ(deck.node_count, 0);
  EXPECT_EQ(deck.element_count, 0);
  EXPECT_EQ(deck.interface_count, 0);
  EXPECT_TRUE(deck.node_temperature.empty());
  EXPECT_TRUE(deck.interface_segments.empty());
}

TEST(InputDeckParse, InterfaceSegmentsPerSide) {
  const std::string text = header + control(6, 2, 2) + two_element_deck_body +
                           "       2       1       0       0       0       0       0       0\n"
                           "       0       2       9       9       9       9       9       9\n"
                           "       1       1       2       3       4\n"
                           "       2       4       3       2       1\n"
                           "       1       5       6       5       6\n"
                           "       1       1       1       1       1\n"
                           "       2       6       6       6       6\n"
                           "*--------- temperatures\n*\n" +
                           temperature_card(1, "0.0") + temperature_card(6, "0.0");
  const InputDeck deck = parse(text);
  ASSERT_EQ(deck.interface_segments.size(), 2u);
  EXPECT_EQ(deck.interface_segments[0][0], (std::vector<Segment>{{1, 2, 3, 4}, {4, 3, 2, 1}}));
  EXPECT_EQ(deck.interface_segments[0][1], (std::vector<Segment>{{5, 6, 5, 6}}));
  EXPECT_TRUE(deck.interface_segments[1][0].empty());
  EXPECT_EQ(deck.interface_segments[1][1], (std::vector<Segment>{{1, 1, 1, 1}, {6, 6, 6, 6}}));
}

// --- bad input ends the run naming the line ---------------------------------

struct BadDeckCase {
  const char* name;
  std::string text;
  std::string expected;  // a piece of the message, with the line
};

class BadDeck : public ::testing::TestWithParam<BadDeckCase> {};

TEST_P(BadDeck, EndsWithOneMessage) {
  const BadDeckCase& c = GetParam();
  const std::string message = parse_failure(c.text);
  EXPECT_NE(message.find(c.expected), std::string::npos) << message;
}

const std::string five_nodes = header + control(5, 0, 0) + "*****Nodal\n" +
                               repeat(node_card(1, "0", "0.0", "0.0", "0.0"), 5) + "e\ne\n" +
                               tail_records;  // the pairs start at line 18

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDeck,
    ::testing::Values(
        BadDeckCase{"empty_deck", "", "nikein.txt, line 1: end of file"},
        BadDeckCase{
            "deck_ends_in_node_cards",
            header + control(3, 0, 0) + "*****Nodal\n" + node_card(1, "0", "0.0", "0.0", "0.0"),
            "nikein.txt, line 6: end of file"},
        BadDeckCase{"temperatures_never_reach_the_last_node",
                    five_nodes + temperature_card(1, "0.0") + temperature_card(4, "0.0"),
                    "nikein.txt, line 20: end of file"},
        BadDeckCase{"pair_below_node_1",
                    five_nodes + temperature_card(0, "0.0") + temperature_card(5, "0.0"),
                    "nikein.txt, line 19: the temperature pair 0..5"},
        BadDeckCase{"pair_beyond_last_node",
                    five_nodes + temperature_card(2, "0.0") + temperature_card(6, "0.0"),
                    "nikein.txt, line 19: the temperature pair 2..6"},
        BadDeckCase{"single_node_pair_beyond_last_node",
                    five_nodes + temperature_card(6, "0.0") + temperature_card(6, "0.0"),
                    "nikein.txt, line 19: the temperature pair 6..6"},
        BadDeckCase{"element_node_beyond_last_node",
                    header + control(6, 2, 0) + "*****Nodal point cards\n" +
                        repeat(node_card(1, "0", "0.0", "0.0", "0.0"), 6) + "e\ne\n" +
                        "       1    1       1       2       3       4       5       6       7"
                        "       1\n",
                    "nikein.txt, line 13: the element names node 7, outside 1..6"},
        BadDeckCase{"element_node_zero",
                    header + control(6, 1, 0) + "*****Nodal point cards\n" +
                        repeat(node_card(1, "0", "0.0", "0.0", "0.0"), 6) + "e\ne\n" +
                        "       1    1       1       2       3       4       5       6\n",
                    "nikein.txt, line 13: the element names node 0, outside 1..6"},
        BadDeckCase{"side_with_more_segments_than_elements",
                    header + control(6, 2, 1) + two_element_deck_body + "       3       0\n",
                    "nikein.txt, line 18: an interface side of 3 segments"},
        BadDeckCase{"segment_node_beyond_last_node",
                    header + control(6, 2, 1) + two_element_deck_body +
                        "       1       0\n       1       1       2       3      60\n",
                    "nikein.txt, line 19: the interface segment names node 60"},
        BadDeckCase{"absurd_node_count", header + control(999999999, 1, 0),
                    "nikein.txt, line 3: the control record gives node count 999999999, "
                    "element count 1 and interface count 0"},
        BadDeckCase{"absurd_element_count", header + control(1, 10000001, 0),
                    "element count 10000001"},
        BadDeckCase{"letters_in_a_node_count",
                    header + "    1     12a5        0         0         0    0    0\n",
                    "nikein.txt, line 3"}),
    [](const ::testing::TestParamInfo<BadDeckCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meridian
