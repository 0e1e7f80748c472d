// The deck spring rewrite, run in a fresh directory: the new nikein is compared
// byte for byte with records written out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "deck/deck_springs.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/case_names.hpp"
#include "support/scratch_test.hpp"
#include "support/system_traits.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

namespace fs = std::filesystem;

// Runs each test in its own empty directory and returns to the old one after.
class DeckSpringRewrite : public testing::ScratchTest {
 protected:
  // Runs the rewrite; returns the console bytes.
  std::string rewrite(const DeckSprings& springs) {
    InputFile input = InputFile::from_text("console", "");
    OutputFile output = OutputFile::in_memory("console");
    Console console{input, output};
    rewrite_deck_springs(springs, console);
    output.flush();
    return output.contents();
  }
  // Runs a rewrite that must end with a fatal error; returns its message.
  std::string rewrite_failure(const DeckSprings& springs) {
    try {
      rewrite(springs);
    } catch (const FatalError& error) {
      return error.what();
    }
    ADD_FAILURE() << "the rewrite did not fail";
    return "";
  }
};

// A copied line as written: padded with blanks to 80 characters, CR LF.
std::string copied(const std::string& line) {
  return line + std::string(line.size() < 80 ? 80 - line.size() : 0, ' ') + "\r\n";
}

// Four springs on nodes (1,2), (3,4), (5,6), (7,8).
struct FourSprings {
  std::vector<std::int32_t> node1{1, 3, 5, 7};
  std::vector<std::int32_t> node2{2, 4, 6, 8};
  std::vector<std::int32_t> direction{4, 2, 3, 1};
  std::vector<double> sign{-1.0, 0.0, -5.0, 2.0};
  // Third values: spring 1 gap 0.5 (released), spring 2 gap 0 with sign 0
  // (released), spring 3 gap -0.25 (kept), spring 4 gap 1 but sign 2 (kept).
  std::vector<double> node_result{9, 9, 0.5,  9, 9, 9, 0.0, 9, 9, 9, 0.0, 9, 9, 9, 0.0, 9,
                                  9, 9, 0.25, 9, 9, 9, 0.5, 9, 9, 9, 1.0, 9, 9, 9, 0.0, 9};

  DeckSprings view() { return DeckSprings{8, node1, node2, direction, sign, node_result}; }
};

const std::vector<std::string> section_head = {
    "*------------------ DISCRETE ELEMENTS ------------------",
    "* spring-damper types",
    "    2    7",
    "    1    1",
    " 0.100E+07 1",
    "* discrete elements",
    "*   no   node1   node2 type"};
const std::vector<std::string> old_springs = {
    "    1       1       2    4", "    2       3       4    2", "    3       5       6    3",
    "    4       7       8    1"};
const std::vector<std::string> section_middle = {"*", "* discrete element orientation codes",
                                                 "*  node1   node2 c1   c2"};
const std::vector<std::string> old_pairs = {
    "       1       2    4    7", "       3       4    4    7", "       5       6    4    7",
    "       7       8    4    7"};

std::string lines_text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}
std::string copied_text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += copied(line);
  return text;
}

const std::string old_section = lines_text(section_head) + lines_text(old_springs) +
                                lines_text(section_middle) + lines_text(old_pairs);
// Springs 1 and 2 released (code 1, pair 0 0); 3 and 4 keep their codes.
const std::string new_section = copied_text(section_head) +
                                "    1       1       2    1\r\n"
                                "    2       3       4    1\r\n"
                                "    3       5       6    3\r\n"
                                "    4       7       8    1\r\n" +
                                copied_text(section_middle) +
                                "       1       2    0    0\r\n"
                                "       3       4    0    0\r\n"
                                "       5       6    4    7\r\n"
                                "       7       8    4    7\r\n";

TEST_F(DeckSpringRewrite, ReleasesSpringsAndCopiesTheRest) {
  write_file("nikein", "*--- control\n   23    3\n" + old_section + "*--- end\n");
  FourSprings springs;
  const std::string console = rewrite(springs.view());
  EXPECT_EQ(read_file("nikein"),
            copied("*--- control") + copied("   23    3") + new_section + copied("*--- end"));
  EXPECT_EQ(console, " line=          21           3\r\n");
  EXPECT_EQ(springs.direction, (std::vector<std::int32_t>{1, 1, 3, 1}));
  EXPECT_EQ(directory_names(), std::vector<std::string>{"nikein"});
}

TEST_F(DeckSpringRewrite, LaterMarkerLineWins) {
  const std::string early = "*------------------ DISCRETE ELEMENTS (old)";
  write_file("nikein", early + "\n*   superseded\n" + old_section);
  FourSprings springs;
  const std::string console = rewrite(springs.view());
  EXPECT_EQ(read_file("nikein"), copied(early) + copied("*   superseded") + new_section);
  EXPECT_EQ(console, " line=          20           3\r\n");
}

TEST_F(DeckSpringRewrite, ShortLinesArePaddedAndLongLinesKeptWhole) {
  const std::string long_line = std::string(70, 'a') + std::string(30, 'b') + "  tail";
  const std::string exactly_80(80, 'c');
  // CR LF line ends on input: the CR is not part of the line.
  write_file("nikein", "\r\n" + long_line + "\r\n" + exactly_80 + "\n" + old_section + "x\n" +
                           long_line + "\n");
  FourSprings springs;
  rewrite(springs.view());
  EXPECT_EQ(read_file("nikein"), std::string(80, ' ') + "\r\n" + long_line + "\r\n" + exactly_80 +
                                     "\r\n" + new_section + copied("x") + long_line + "\r\n");
}

TEST_F(DeckSpringRewrite, NoReleasedSpringLeavesDoneMarker) {
  write_file("nikein", old_section);
  FourSprings springs;
  springs.sign = {1.0, 1.0, 1.0, 1.0};  // every sign positive: nothing is released
  const std::string console = rewrite(springs.view());
  EXPECT_EQ(read_file("nikein"), copied_text(section_head) +
                                     "    1       1       2    4\r\n"
                                     "    2       3       4    2\r\n"
                                     "    3       5       6    3\r\n"
                                     "    4       7       8    1\r\n" +
                                     copied_text(section_middle) +
                                     "       1       2    4    7\r\n"
                                     "       3       4    4    7\r\n"
                                     "       5       6    4    7\r\n"
                                     "       7       8    4    7\r\n");
  EXPECT_EQ(console, " line=          18           1\r\n DONE\r\n");
  EXPECT_EQ(directory_names(), (std::vector<std::string>{"done", "nikein"}));
  EXPECT_EQ(read_file("done"), "");
  EXPECT_EQ(springs.direction, (std::vector<std::int32_t>{4, 2, 3, 1}));
}

TEST_F(DeckSpringRewrite, ExistingDoneMarkerKeepsItsContents) {
  write_file("nikein", old_section);
  write_file("done", "earlier run\n");
  FourSprings springs;
  springs.sign = {1.0, 1.0, 1.0, 1.0};
  EXPECT_EQ(rewrite(springs.view()), " line=          18           1\r\n DONE\r\n");
  EXPECT_EQ(read_file("done"), "earlier run\n");
}

TEST_F(DeckSpringRewrite, ReleasedSpringThatHadCodeOneStillCounts) {
  write_file("nikein", old_section);
  FourSprings springs;
  springs.sign = {1.0, 1.0, 1.0, -1.0};  // only spring 4 (code 1 already) is released
  const std::string console = rewrite(springs.view());
  EXPECT_EQ(console, " line=          18           1\r\n");
  EXPECT_EQ(directory_names(), std::vector<std::string>{"nikein"});
  const std::string written = read_file("nikein");
  EXPECT_NE(written.find("    4       7       8    1\r\n"), std::string::npos);
  EXPECT_NE(written.find("       7       8    0    0\r\n"), std::string::npos);
  EXPECT_NE(written.find("       5       6    4    7\r\n"), std::string::npos);
}

TEST_F(DeckSpringRewrite, DeckOfMoreThanTenThousandLinesIsHandledWhole) {
  std::string before;
  for (int i = 1; i <= 10000; ++i) before += "line " + std::to_string(i) + "\n";
  std::string after;
  for (int i = 1; i <= 50; ++i) after += "after " + std::to_string(i) + "\n";
  write_file("nikein", before + old_section + after);
  FourSprings springs;
  const std::string console = rewrite(springs.view());
  std::string expected;
  for (int i = 1; i <= 10000; ++i) expected += copied("line " + std::to_string(i));
  expected += new_section;
  for (int i = 1; i <= 50; ++i) expected += copied("after " + std::to_string(i));
  EXPECT_EQ(read_file("nikein"), expected);
  EXPECT_EQ(console, " line=       10068       10001\r\n");
}

TEST_F(DeckSpringRewrite, NoSpringsCopiesTheSectionFrame) {
  // With no spring the section is the marker, 6 lines and 3 lines.
  write_file("nikein", lines_text(section_head) + lines_text(section_middle) + "end\n");
  std::vector<std::int32_t> none;
  std::vector<std::int32_t> no_direction;
  std::vector<double> no_sign;
  std::vector<double> node_result(4, 0.0);
  const std::string console =
      rewrite(DeckSprings{1, none, none, no_direction, no_sign, node_result});
  EXPECT_EQ(read_file("nikein"),
            copied_text(section_head) + copied_text(section_middle) + copied("end"));
  EXPECT_EQ(console, " line=          11           1\r\n DONE\r\n");
}

// Decks that do not hold the whole section are refused before anything is
// written: nikein stays byte for byte as it was and no other file appears.
struct RefusedDeckCase {
  const char* name;
  std::string deck;
  std::string message;
};

class RefusedDeck : public DeckSpringRewrite,
                    public ::testing::WithParamInterface<RefusedDeckCase> {};

TEST_P(RefusedDeck, IsLeftUntouched) {
  const RefusedDeckCase& c = GetParam();
  write_file("nikein", c.deck);
  FourSprings springs;
  const std::string message = rewrite_failure(springs.view());
  EXPECT_NE(message.find(c.message), std::string::npos) << message;
  EXPECT_EQ(read_file("nikein"), c.deck);
  EXPECT_EQ(directory_names(), std::vector<std::string>{"nikein"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDeck,
    ::testing::Values(
        RefusedDeckCase{"no_marker", "*--- control\n" + lines_text(old_springs) + "*--- end\n",
                        "nikein: no line begins with \"*------------------ DISCRETE E\""},
        // The marker must begin the line.
        RefusedDeckCase{"marker_not_at_line_start", " " + old_section, "nikein: no line begins"},
        RefusedDeckCase{"empty_deck", "", "nikein: no line begins"},
        // One line short of the 4 + 4 records and 9 frame lines after the marker.
        RefusedDeckCase{"section_one_line_short",
                        "*--- control\r\n" + old_section.substr(0, old_section.rfind("       7")),
                        "nikein, line 2: the discrete element section of 4 springs needs lines "
                        "up to 19 but the deck ends at line 18"}),
    [](const ::testing::TestParamInfo<RefusedDeckCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(DeckSpringRewrite, MissingDeckIsRefusedAndNotCreated) {
  FourSprings springs;
  const std::string message = rewrite_failure(springs.view());
  EXPECT_NE(message.find("nikein: cannot open for reading"), std::string::npos) << message;
  EXPECT_EQ(directory_names(), std::vector<std::string>{});
}

TEST_F(DeckSpringRewrite, NewDeckKeepsThePermissionsAndReplacesALink) {
  // nikein is a link to the deck: the link is replaced by the new deck, the
  // file it named stays as it was, and no temporary file is left.
  if (!testing::has_permission_bits_and_links) {
    GTEST_SKIP() << "no POSIX permission bits and links on this system";
  }
  write_file("old_deck", old_section);
  fs::permissions("old_deck", fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read);
  fs::create_symlink("old_deck", "nikein");
  FourSprings springs;
  rewrite(springs.view());
  EXPECT_FALSE(fs::is_symlink("nikein"));
  EXPECT_EQ(read_file("old_deck"), old_section);
  EXPECT_EQ(fs::status("nikein").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  for (const std::string& name : directory_names()) EXPECT_NE(name[0], '.') << name;
}

TEST_F(DeckSpringRewrite, SpringNodeOutsideTheNodalPrintoutIsRefused) {
  write_file("nikein", old_section);
  FourSprings springs;
  springs.node2[2] = 9;  // only 8 nodes in the printout
  const std::string message = rewrite_failure(springs.view());
  EXPECT_NE(message.find("spring 3 names node 9, outside 1..8"), std::string::npos) << message;
  EXPECT_EQ(read_file("nikein"), old_section);
  springs.node2[2] = 6;
  springs.node1[0] = 0;
  EXPECT_NE(rewrite_failure(springs.view()).find("spring 1 names node 0"), std::string::npos);
  EXPECT_EQ(read_file("nikein"), old_section);
}

}  // namespace
}  // namespace meridian
