// Every fatal message listed in docs/errors.md, triggered through the real
// program in a fresh directory: the exit status, the message on standard error
// and the files the failed run leaves behind (nothing half-written; a refused or
// failed deck rewrite leaves the old deck).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "run_support.hpp"
#include "support/listing_writer.hpp"
#include "support/system_traits.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using testing::ListingFixture;

// ---------------------------------------------------------------- inputs

// One brick on eight nodes, one time step.
ListingFixture one_brick() {
  ListingFixture fixture;
  testing::add_block(fixture, 1, 1, 1);
  testing::add_simple_steps(fixture, 1);
  return fixture;
}

// Two bricks side by side with a spring between two of their nodes.
ListingFixture bricks_on_a_spring() {
  ListingFixture fixture;
  testing::add_block(fixture, 2, 1, 1);
  fixture.spring_types.push_back({1000.0, 3});
  fixture.springs.push_back({1, 12, 1, 1.0});
  testing::add_simple_steps(fixture, 1);
  return fixture;
}

std::string listing_text(const ListingFixture& fixture) {
  return testing::write_listing_text(fixture);
}

// The listing with the first occurrence of `from` replaced by `to` (same width).
std::string edited(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The first `lines` lines of a text.
std::string first_lines(const std::string& text, int lines) {
  std::size_t at = 0;
  for (int i = 0; i < lines && at != std::string::npos; ++i) at = text.find('\n', at) + 1;
  return text.substr(0, at);
}

// A deck of one spring: the marker line, 6 lines, the spring record, 3 lines,
// the pair record, the rest.
const std::string spring_deck =
    "*--- control\n"
    "*------------------ DISCRETE ELEMENTS\n"
    "* 1\n* 2\n* 3\n* 4\n* 5\n* 6\n"
    "    1       1      12    3\n"
    "* a\n* b\n* c\n"
    "       1      12    4    7\n"
    "*--- end\n";

// A viewing deck: one brick, one sliding interface, a temperature ramp.
const std::string viewing_deck =
    "test deck\n"
    "*   Interfaces  (control record follows)\n"
    "    1        8        1         1         0    1    1\n"
    "*****Nodal point cards\n"
    "       1  7.0   0.00000000000E+00   0.00000000000E+00   0.00000000000E+00\n"
    "       2  0.0   0.10000000000E+01   0.00000000000E+00   0.00000000000E+00\n"
    "       3  0.0   0.10000000000E+01   0.10000000000E+01   0.00000000000E+00\n"
    "       4  0.0   0.00000000000E+00   0.10000000000E+01   0.00000000000E+00\n"
    "       5  0.0   0.00000000000E+00   0.00000000000E+00   0.10000000000E+01\n"
    "       6  0.0   0.10000000000E+01   0.00000000000E+00   0.10000000000E+01\n"
    "       7  0.0   0.10000000000E+01   0.10000000000E+01   0.10000000000E+01\n"
    "       8  0.0   0.00000000000E+00   0.10000000000E+01   0.10000000000E+01\n"
    "*****Element cards\n"
    "*  number  mat  nodes\n"
    "       1    1       1       2       3       4       5       6       7       8\n"
    "*****Sliding interfaces\n"
    "*  master  slave\n"
    "*  segments\n"
    "       1       1\n"
    "       1       5       6       7       8\n"
    "       1       1       2       3       4\n"
    "*--------- nodal temperatures\n"
    "*  node   temperature\n"
    "       1       0.0\n"
    "       8      70.0\n";

// A parameter file: one block of 2 x 1 x 1 elements, a constraint, and the
// sections given after it.
std::string parameters(const std::string& block, const std::string& after_blocks) {
  return "* blocks\n1\n" + block + "* constraints\n3\n1 0 2 0 1 0 0\n* end\n" + after_blocks;
}
const std::string good_block = "1 1 1 1\n0 2 2\n0 1 1\n0 1 1\n0 1\n";

// ---------------------------------------------------------------- the table

struct ErrorCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string standard_input;
  std::function<void(const fs::path&)> prepare;  // lays out the inputs
  int exit_status;
  // The whole standard error without "meridian: " and the line end, or, when
  // `exact` is false, a part of it (the system's wording of an error varies).
  std::string message;
  bool exact;
  // Every entry the directory holds afterwards.
  std::set<std::string> files_after;
  std::function<void(const fs::path&)> check_after = nullptr;  // further checks
  bool usage = false;  // a bad argument: the usage follows the message
};

void put(const fs::path& dir, const std::string& name, const std::string& text) {
  write_file(dir / name, text);
}

// A file name whose every write fails as on a full disk.
void link_to_full_device(const fs::path& link) {
  if (!fs::is_character_file("/dev/full")) throw std::runtime_error("this system has no /dev/full");
  fs::create_symlink("/dev/full", link);
}

std::function<void(const fs::path&)> files(std::vector<std::pair<std::string, std::string>> list) {
  return [list](const fs::path& dir) {
    for (const auto& [name, text] : list) put(dir, name, text);
  };
}

std::function<void(const fs::path&)> listing(const ListingFixture& fixture) {
  return files({{"n3dhsp", listing_text(fixture)}});
}

std::function<void(const fs::path&)> unchanged(const std::string& name, const std::string& text) {
  return [name, text](const fs::path& dir) {
    EXPECT_EQ(read_file(dir / name), text) << name << " must keep its contents";
  };
}

const std::set<std::string> card_files = {"out_node.txt", "out_element.txt", "out_interface.txt",
                                          "out_load.txt", "out_spring.txt"};

std::set<std::string> with(std::set<std::string> names, std::initializer_list<const char*> more) {
  for (const char* name : more) names.insert(name);
  return names;
}

std::vector<ErrorCase> error_cases() {
  std::vector<ErrorCase> cases;
  const auto add = [&cases](ErrorCase c) { cases.push_back(std::move(c)); };

  // ---- the command line: usage on standard error, no file touched
  add({"job_without_number",
       {"--job"},
       "",
       nullptr,
       2,
       "--job needs a job number",
       true,
       {},
       nullptr,
       true});
  add({"unknown_argument",
       {"-j"},
       "",
       nullptr,
       2,
       "unknown argument \"-j\"",
       true,
       {},
       nullptr,
       true});
  add({"job_twice",
       {"--job", "2", "--job=3"},
       "",
       nullptr,
       2,
       "--job given twice",
       true,
       {},
       nullptr,
       true});
  add({"job_not_integer",
       {"--job", "two"},
       "",
       nullptr,
       2,
       "the job must be an integer, not \"two\"",
       true,
       {},
       nullptr,
       true});
  add({"job_out_of_range", {"--job", "7"}, "", nullptr, 2, "the job must be 0 to 6, not 7", true,
       {}, nullptr, true});
  add({"job_negative", {"--job=-3"}, "", nullptr, 2, "the job must be 0 to 6, not -3", true, {},
       nullptr, true});
  add({"scale_not_a_number",
       {"--scale", "ten"},
       "",
       nullptr,
       2,
       "the scale factor must be a number, not \"ten\"",
       true,
       {},
       nullptr,
       true});
  add({"scale_without_factor", {"--scale"}, "", nullptr, 2, "--scale needs a scale factor", true,
       {}, nullptr, true});
  add({"scale_with_another_job",
       {"--job", "2", "--scale", "10"},
       "",
       nullptr,
       2,
       "--scale answers the scale question of job 1; job 2 asks none",
       true,
       {},
       nullptr,
       true});
  add({"directory_missing",
       {"-C", "no_such_folder"},
       "",
       nullptr,
       2,
       "no directory \"no_such_folder\"",
       true,
       {},
       nullptr,
       true});

  // ---- any file: open, read, write
  add({"listing_missing", {}, "10\n", nullptr, 2, "n3dhsp: the input file is missing", true, {}});
  add({"listing_is_a_directory",
       {},
       "10\n",
       [](const fs::path& dir) { fs::create_directory(dir / "n3dhsp"); },
       2,
       "n3dhsp: the input file is missing",
       true,
       {"n3dhsp"}});
  add({"listing_unreadable",
       {},
       "10\n",
       [](const fs::path& dir) { fs::create_symlink("/proc/self/mem", dir / "n3dhsp"); },
       2,
       "n3dhsp: cannot read: ",
       false,
       {"n3dhsp"}});
  add({"output_is_a_directory",
       {},
       "10\n",
       [](const fs::path& dir) {
         put(dir, "n3dhsp", listing_text(one_brick()));
         fs::create_directory(dir / "model_load.dat");
       },
       2,
       "model_load.dat: cannot open for writing: Is a directory",
       true,
       {"n3dhsp", "model_load.dat"}});
  add({"output_device_full",
       {},
       "10\n",
       [](const fs::path& dir) {
         put(dir, "n3dhsp", listing_text(one_brick()));
         link_to_full_device(dir / "model_load.dat");
       },
       2,
       "model_load.dat: cannot write: No space left on device",
       true,
       {"n3dhsp", "model_load.dat"}});
  add({"stress_file_blocked",
       {},
       "10\n",
       [](const fs::path& dir) {
         put(dir, "n3dhsp", listing_text(one_brick()));
         fs::create_directory(dir / "model_stress_1.dat");
       },
       2,
       "model_stress_1.dat: cannot open for writing: Is a directory",
       true,
       {"n3dhsp", "model_load.dat", "model_stress_1.dat"}});
  // The step's files are opened together before any is written: the ones
  // opened before the blocked one are abandoned, and no earlier file changes.
  add({"extract_blocked",
       {"--job", "6"},
       "",
       [](const fs::path& dir) {
         put(dir, "n3dhsp", listing_text(one_brick()));
         fs::create_directory(dir / "spring_1.csv");
       },
       2,
       "spring_1.csv: cannot open for writing: Is a directory",
       true,
       {"n3dhsp", "model_load.dat", "spring_1.csv"}});

  // ---- n3dhsp: the listing
  {
    const std::string text = listing_text(one_brick());
    const std::size_t nodal = text.find(" NODAL POINT data");
    const auto lines_before = std::count(text.begin(), text.begin() + nodal, '\n');
    add({"listing_ends_in_a_section",
         {},
         "10\n",
         files({{"n3dhsp", first_lines(text, static_cast<int>(lines_before) + 6)}}),
         2,
         "n3dhsp, line " + std::to_string(lines_before + 7) +
             ": end of file while reading the nodal points",
         true,
         {"n3dhsp"}});
  }
  {
    // The solver stopped after the first of the two announced time steps.
    ListingFixture fixture = one_brick();
    fixture.counts.step_count = 2;
    const std::string text = listing_text(fixture);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    add({"listing_ends_before_a_time_step",
         {},
         "10\n",
         files({{"n3dhsp", text}}),
         2,
         "n3dhsp, line " + std::to_string(lines + 1) +
             ": end of file while reading a nodal printout; the listing ends in time step 2 of "
             "the 2 that control card 3 announces; step 1 is complete (--partial writes it)",
         true,
         {"n3dhsp"}});
  }
  {
    // The first integration point of step 1 as a diverged solver prints it.
    const std::string text = listing_text(one_brick());
    const std::size_t row = text.find("   gauss  1 ");
    const auto line = std::count(text.begin(), text.begin() + static_cast<long>(row), '\n') + 1;
    std::string bad = text;
    bad.replace(row - 7 + 18, 11, "        NaN");
    add({"listing_step_value_not_a_number",
         {},
         "10\n",
         files({{"n3dhsp", bad}}),
         2,
         "n3dhsp, line " + std::to_string(line) +
             ": cannot read a real from \"        NaN\" (columns 19-29); time step 1 of the 1 that "
             "control card 3 announces cannot be read; no step is complete (--partial writes the "
             "model files)",
         true,
         {"n3dhsp"}});
    // An exponent beyond a double's, and values near the largest double
    // whose averaged stresses overflow.
    std::string far = text;
    far.replace(row - 7 + 18, 11, "  0.100+400");
    add({"listing_step_value_not_finite",
         {"--job", "2"},
         "",
         files({{"n3dhsp", far}}),
         2,
         "n3dhsp, line " + std::to_string(line) +
             ": cannot read a finite real from \"  0.100+400\" (columns 19-29); time step 1 of the "
             "1 that control card 3 announces cannot be read; no step is complete (--partial "
             "writes the model files)",
         true,
         {"n3dhsp"}});
    ListingFixture huge = one_brick();
    for (std::size_t p = 0; p < 8; ++p) huge.steps[0].element_values[0][p].fill(p < 4 ? 1.7e308 : -1.7e308);
    const std::string huge_text = listing_text(huge);
    const auto last_row = std::count(huge_text.begin(),
                                     huge_text.begin() + static_cast<long>(huge_text.find("   gauss  8 ")), '\n') + 1;
    add({"listing_stresses_overflow",
         {"--job", "2"},
         "",
         files({{"n3dhsp", huge_text}}),
         2,
         "n3dhsp, line " + std::to_string(last_row + 2) +
             ": the stresses averaged at node 1 are not finite reals (an overflow of values near "
             "the largest real); time step 1 of the 1 that control card 3 announces cannot be read; "
             "no step is complete (--partial writes the model files)",
         true,
         {"n3dhsp"}});
  }
  add({"history_item_missing",
       {"--job", "2", "--history=node:3,element:2"},
       "",
       files({{"n3dhsp", listing_text(one_brick())}}),
       2,
       "n3dhsp: --history names element:2, which the model lacks: it has element 1",
       true,
       {"n3dhsp"}});
  {
    // The third nodal point's x coordinate (columns 17-33) made unreadable.
    const std::string text = listing_text(one_brick());
    const std::size_t row = text.find("\n       3", text.find(" NODAL POINT data")) + 1;
    const auto line = std::count(text.begin(), text.begin() + row, '\n') + 1;
    std::string bad = text;
    bad.replace(row + 16, 17, "       1.0x+00   ");
    add({"listing_field_unreadable",
         {},
         "10\n",
         files({{"n3dhsp", bad}}),
         2,
         "n3dhsp, line " + std::to_string(line) +
             ": cannot read a real from \"       1.0x+00   \" (columns 17-33)",
         true,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    fixture.elements[0].nodes[6] = 9;
    add({"element_node_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "node number 9 is outside the nodal points (1..8)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = bricks_on_a_spring();
    fixture.springs[0].node2 = 13;
    add({"spring_node_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "spring node 13 is outside the nodal points (1..12)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = bricks_on_a_spring();
    fixture.springs[0].type = 2;
    add({"spring_type_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "spring type 2 is outside the spring-damper types (1..1)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    fixture.interfaces.push_back({{{5, 6, 7, 8}}, {{1, 2, 3, 0}}});
    add({"segment_node_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "segment node 0 is outside the nodal points (1..8)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    fixture.interfaces.push_back({{{5, 6, 7, 8}}, {{1, 2, 3, 4}}});
    fixture.counts.element_capacity = 1;
    fixture.interfaces[0].slave.push_back({1, 2, 3, 4});
    add({"more_segments_than_elements",
         {},
         "10\n",
         listing(fixture),
         2,
         "more slave segments (2) than hexahedron elements (1)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    fixture.loads.push_back({9, 3, 1, -5.0});
    add({"load_node_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "load node 9 is outside the nodal points (1..8)",
         false,
         {"n3dhsp"}});
    fixture.loads[0] = {8, 4, 1, -5.0};
    add({"load_direction_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "load direction 4 is outside the directions (1..3)",
         false,
         {"n3dhsp"}});
    fixture.loads[0] = {8, 3, 2, -5.0};
    add({"load_case_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "load case 2 is outside the load cases (1..1)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    for (std::int32_t node = 1; node <= 8; ++node)
      fixture.temperatures.push_back({node, 20.0, 0.0});
    fixture.temperatures[7].node = 80;
    add({"temperature_node_outside",
         {},
         "10\n",
         listing(fixture),
         2,
         "temperature node 80 is outside the nodal points (1..8)",
         false,
         {"n3dhsp"}});
  }
  {
    ListingFixture fixture = one_brick();
    fixture.counts.node_capacity = 99999;
    fixture.counts.load_case_count = 99999;
    add({"model_tables_too_large",
         {},
         "10\n",
         listing(fixture),
         2,
         // The counts and the need are named; the memory available varies.
         "tables for node_capacity 99999, element_capacity 1, interface_count 0 and "
         "load_case_count 99999 would need ",
         false,
         {"n3dhsp"}});
  }

  // ---- the console
  add({"scale_factor_missing",
       {},
       "",
       listing(one_brick()),
       2,
       "console, line 1: end of file while reading the scale factor of presented deformation",
       true,
       {"n3dhsp", "model_load.dat"}});
  add({"scale_factor_not_a_number",
       {},
       "ten\n",
       listing(one_brick()),
       2,
       "console, line 1: cannot read a real from \"ten\"",
       true,
       {"n3dhsp", "model_load.dat"}});

  // ---- nikein: the deck spring rewrite (job 4); the old deck always stays
  {
    const std::string no_marker = "*--- control\n*--- end\n";
    add({"deck_without_marker",
         {"--job", "4"},
         "",
         files({{"n3dhsp", listing_text(bricks_on_a_spring())}, {"nikein", no_marker}}),
         2,
         "nikein: no line begins with \"*------------------ DISCRETE E\"; the deck is left "
         "unchanged",
         true,
         {"n3dhsp", "nikein", "model_load.dat", "model_stress_1.dat"},
         unchanged("nikein", no_marker)});
    const std::string short_deck = first_lines(spring_deck, 10);
    add({"deck_section_short",
         {"--job", "4"},
         "",
         files({{"n3dhsp", listing_text(bricks_on_a_spring())}, {"nikein", short_deck}}),
         2,
         "nikein, line 2: the discrete element section of 1 springs needs lines up to 13 but the "
         "deck ends at line 10; the deck is left unchanged",
         true,
         {"n3dhsp", "nikein", "model_load.dat", "model_stress_1.dat"},
         unchanged("nikein", short_deck)});
    add({"deck_missing_for_its_springs",
         {"--job", "4"},
         "",
         [](const fs::path& dir) { put(dir, "n3dhsp", listing_text(bricks_on_a_spring())); },
         2,
         "nikein: the input file is missing",
         true,
         {"n3dhsp"}});
    // No spring is released, so the marker file is due; it cannot be made
    // after the new deck is in place.
    add({"done_marker_cannot_be_made",
         {"--job", "4"},
         "",
         [](const fs::path& dir) {
           put(dir, "n3dhsp", listing_text(bricks_on_a_spring()));
           put(dir, "nikein", spring_deck);
           fs::create_symlink("missing_folder/done", dir / "done");
         },
         2,
         "done: cannot open for writing: No such file or directory",
         true,
         {"n3dhsp", "nikein", "done", "model_load.dat", "model_stress_1.dat"},
         [](const fs::path& dir) {
           // The new deck is complete: copied lines padded to 80 columns, the
           // spring records written anew (none released: 4 and 7).
           std::string expected;
           std::size_t at = 0;
           while (at < spring_deck.size()) {
             const std::size_t end = spring_deck.find('\n', at);
             std::string line = spring_deck.substr(at, end - at);
             if (!line.starts_with("   ")) line.resize(80, ' ');
             expected += line + "\r\n";
             at = end + 1;
           }
           EXPECT_EQ(read_file(dir / "nikein"), expected);
         }});
  }

  // ---- parameter_in.txt: the model generator (job 0); the card files stay empty
  const std::set<std::string> generator_files = with(card_files, {"parameter_in.txt"});
  const auto generator = [&](const char* name, const std::string& text,
                             const std::string& message) {
    ErrorCase c{name, {"--job", "0"}, "",   files({{"parameter_in.txt", text}}),
                2,    message,        true, generator_files};
    c.check_after = [](const fs::path& dir) {
      for (const std::string& name : card_files) EXPECT_EQ(read_file(dir / name), "") << name;
    };
    return c;
  };
  {
    ErrorCase c = generator("parameters_missing", "", "parameter_in.txt: the input file is missing");
    c.prepare = nullptr;
    c.files_after = {};
    c.check_after = nullptr;
    add(c);
  }
  add(generator("parameters_count_not_a_digit", "* blocks\nx\n",
                "parameter_in.txt, line 2: the count record of the blocks section must begin with "
                "a digit, found \"x\""));
  add(generator("parameters_layer_count", parameters("0 1 1 1\n", ""),
                "parameter_in.txt, line 3: block 1: the layer count must be 1 to 9, found 0"));
  add(generator("parameters_division_zero", parameters("1 1 1 1\n0 2 0\n", ""),
                "parameter_in.txt, line 4: block 1: the x division of segment 1 is 0; a segment "
                "needs at least 1 element"));
  add(generator("parameters_not_a_number", parameters("1 1 1 1\n0 2 two\n", ""),
                "parameter_in.txt, line 4: cannot read an integer from \"two\""));
  add(generator("parameters_model_too_large",
                parameters("1 1 1 1\n0 2 2000000000\n0 1 2000000000\n0 1 1\n0 1\n", ""),
                "parameter_in.txt, line 7: block 1 makes the model too large: its node and element "
                "numbers would not fit 32 bits"));
  add(generator("parameters_layer_gap", parameters("1 1 1 1\n0 2 2\n0 1 1\n0 1 1\n0.5 1\n", ""),
                "parameter_in.txt, line 7: block 1: the elements whose bottom lies at z = 0 are "
                "in no layer of the block"));
  add(generator("parameters_block_outside",
                "* blocks\n1\n" + good_block + "* constraints\n3\n2 0 2 0 1 0 0\n* end\n",
                "parameter_in.txt, line 10: constraint: the block number must be 1 to 1, found 2"));
  add(generator("parameters_no_block", "* blocks\n0\n* constraints\n3\n1 0 2 0 1 0 0\n* end\n",
                "parameter_in.txt, line 5: constraint: block 1 does not exist (the file defines no "
                "block)"));
  add(generator("parameters_ends_in_interface", parameters(good_block, "1\n1 0 2 0 1\n1 0 2 0 1\n"),
                "parameter_in.txt, line 15: end of file while reading the level of interface 1"));
  add(generator("parameters_load_shape", parameters(good_block, "0\n1\n1 2 3 -1.0\n"),
                "parameter_in.txt, line 14: nodal load 1: the load shape must be 0 (circle) or 1 "
                "(rectangle), found 2"));
  add(generator("parameters_load_direction", parameters(good_block, "0\n1\n1 1 4 -1.0\n"),
                "parameter_in.txt, line 14: nodal load 1: the load direction must be 1 to 3, "
                "found 4"));
  add(generator("parameters_spacing_zero",
                parameters(good_block, "0\n0\n0\n0\n1\n1 0 2 0 1 0 0\n0 1 1 0 0 -1\n"),
                "parameter_in.txt, line 18: grounded-spring set 1: a spacing of 0 places no grid"));
  add(generator("parameters_area_without_nodes",
                parameters(good_block, "0\n0\n0\n0\n1\n1 5 6 5 6 0 0\n1 1 1 0 0 -1\n1 100.0 1\n"),
                "parameter_in.txt, line 19: grounded-spring set 1: the stiffness is per unit area, "
                "but the set selects no node to share it"));
  {
    // The one message the generator writes itself: on standard output, status 1.
    ErrorCase c = generator("parameters_constraint_code",
                            "* blocks\n1\n" + good_block + "* constraints\n8\n1 0 2 0 1 0 0\n", "");
    c.exit_status = 1;
    add(c);
  }

  // ---- nikein.txt: the deck viewer (job 5); nothing is written
  const auto deck = [](const char* name, const std::string& text, const std::string& message) {
    return ErrorCase{name, {"--job", "5"}, "",   files({{"nikein.txt", text}}),
                     2,    message,        true, {"nikein.txt"}};
  };
  {
    ErrorCase c = deck("deck_missing", "", "nikein.txt: the input file is missing");
    c.prepare = nullptr;
    c.files_after = {};
    add(c);
  }
  add(deck("deck_counts_too_large",
           edited(viewing_deck, "    1        8        1", "    1999999999        1"),
           "nikein.txt, line 3: the control record gives node count 999999999, element count 1 "
           "and interface count 1; a count above 10000000 cannot be held"));
  add(deck("deck_constraint_unreadable", edited(viewing_deck, "       3  0.0", "       3  abc"),
           "nikein.txt, line 7: cannot read a constraint code from \"  abc\" (columns 9-13)"));
  add(deck("deck_element_node_outside",
           edited(viewing_deck, "       7       8\n*****Sliding", "       7       9\n*****Sliding"),
           "nikein.txt, line 15: the element names node 9, outside 1..8"));
  add(deck("deck_segment_node_outside",
           edited(viewing_deck, "       1       1       2       3       4\n",
                  "       1       1       2       3      40\n"),
           "nikein.txt, line 21: the interface segment names node 40, outside 1..8"));
  add(deck("deck_interface_side_too_long",
           edited(viewing_deck, "       1       1\n       1       5",
                  "       2       1\n       1       5"),
           "nikein.txt, line 19: an interface side of 2 segments exceeds the element count 1"));
  add(deck("deck_temperature_outside",
           edited(viewing_deck, "       1       0.0", "       0       0.0"),
           "nikein.txt, line 25: the temperature pair 0..8 names nodes outside 1..8"));
  add(deck("deck_field_unreadable", edited(viewing_deck, "      70.0", "     seventy"),
           "nikein.txt, line 25: cannot read a real from \"     seven\" (columns 9-18)"));
  return cases;
}

void PrintTo(const ErrorCase& c, std::ostream* out) {
  *out << c.name;
}

class ErrorCatalogue : public ::testing::TestWithParam<ErrorCase> {};

// Cases whose failure is made with symbolic links to devices or to what a
// link may name (/dev/full, /proc/self/mem, a link into a missing folder).
const std::set<std::string> cases_made_with_links = {"listing_unreadable", "output_device_full",
                                                     "done_marker_cannot_be_made"};

TEST_P(ErrorCatalogue, EndsWithItsMessageAndLeavesNothingHalfWritten) {
  const ErrorCase& c = GetParam();
  if (!testing::has_permission_bits_and_links && cases_made_with_links.count(c.name) != 0) {
    GTEST_SKIP() << "made with symbolic links, which this system gives users no right to make";
  }
  const fs::path dir = fresh_directory(std::string("errors_") + c.name);
  if (c.prepare) c.prepare(dir);
  const RunResult result = run_meridian(dir, c.arguments, c.standard_input);

  EXPECT_EQ(result.exit_status, c.exit_status) << result.standard_error;
  if (c.exit_status == 1) {
    EXPECT_EQ(result.standard_error, "");
    EXPECT_TRUE(result.standard_output.ends_with(" The constrain number should be 0 to 7\r\n"))
        << result.standard_output;
  } else if (c.usage) {
    EXPECT_EQ(result.standard_error, "meridian: " + c.message +
                                         "\r\nTry 'meridian --help' for more information.\r\n");
    EXPECT_EQ(result.standard_output, "") << "a bad argument starts no run";
  } else if (c.exact) {
    EXPECT_EQ(result.standard_error, "meridian: " + c.message + "\r\n");
  } else {
    EXPECT_TRUE(result.standard_error.starts_with("meridian: ")) << result.standard_error;
    EXPECT_NE(result.standard_error.find(c.message), std::string::npos) << result.standard_error;
    EXPECT_TRUE(result.standard_error.ends_with("\r\n"));
    EXPECT_EQ(std::count(result.standard_error.begin(), result.standard_error.end(), '\n'), 1)
        << "one message";
  }

  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, c.files_after);
  if (c.check_after) c.check_after(dir);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Messages, ErrorCatalogue, ::testing::ValuesIn(error_cases()),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                           return std::string(info.param.name);
                         });

std::set<std::string> entry_names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A write that fails part-way leaves no half-written file: the files finished
// before it stay, and an earlier run's file of that name stays as it was.
TEST(ErrorCatalogueWrites, FailedWriteLeavesNothingHalfWritten) {
  if (!can_limit_file_size()) GTEST_SKIP() << "no file size limit on this system";
  ListingFixture fixture;
  testing::add_block(fixture, 10, 10, 8);
  testing::add_simple_steps(fixture, 1);
  const fs::path dir = fresh_directory("errors_file_size");
  put(dir, "n3dhsp", listing_text(fixture));

  // model_load.dat (one load case) fits under the limit; the stress file, with
  // its two records per node, does not.
  constexpr std::uint64_t limit = 256 * 1024;
  const RunResult result = run_with_file_size_limit(dir, {}, "10\n", limit);
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error,
            "meridian: model_stress_1.dat: cannot write: File too large; no file is made\r\n");
  EXPECT_EQ(entry_names(dir), (std::set<std::string>{"n3dhsp", "model_load.dat"}));
  const std::string model = read_file(dir / "model_load.dat");
  EXPECT_LT(model.size(), limit);
  EXPECT_TRUE(model.ends_with("\r\n"));

  put(dir, "model_stress_1.dat", "an earlier run's result\r\n");
  const RunResult again = run_with_file_size_limit(dir, {}, "10\n", limit);
  EXPECT_EQ(again.standard_error,
            "meridian: model_stress_1.dat: cannot write: File too large; the earlier file is left "
            "as it was\r\n");
  EXPECT_EQ(read_file(dir / "model_stress_1.dat"), "an earlier run's result\r\n");
  EXPECT_EQ(entry_names(dir), (std::set<std::string>{"n3dhsp", "model_load.dat", "model_stress_1.dat"}));
  fs::remove_all(dir);
}

// The new deck breaks off part-way through its writing: the old deck stays,
// and so does nothing of the new one.
TEST(ErrorCatalogueWrites, DeckRewriteBrokenOffLeavesTheOldDeck) {
  if (!can_limit_file_size()) GTEST_SKIP() << "no file size limit on this system";
  std::string deck = spring_deck;
  for (int i = 0; i < 5000; ++i)
    deck += "* a long tail of the deck\n";  // 80 columns each when copied
  const fs::path dir = fresh_directory("errors_deck_size");
  put(dir, "n3dhsp", listing_text(bricks_on_a_spring()));
  put(dir, "nikein", deck);

  // The listing's files are a few kilobytes; the new deck would be 400.
  const RunResult result = run_with_file_size_limit(dir, {"--job", "4"}, "", 128 * 1024);
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error,
            "meridian: nikein: cannot write: File too large; the earlier file is left as it "
            "was\r\n");
  EXPECT_EQ(entry_names(dir),
            (std::set<std::string>{"n3dhsp", "nikein", "model_load.dat", "model_stress_1.dat"}));
  EXPECT_EQ(read_file(dir / "nikein"), deck);
  fs::remove_all(dir);
}

// The new deck goes under a temporary name of its own run: a link under the
// name earlier versions used is neither written through nor removed.
TEST(ErrorCatalogueWrites, DeckRewriteLeavesOtherFilesAlone) {
  if (!testing::has_permission_bits_and_links) {
    GTEST_SKIP() << "made with a symbolic link, which this system gives users no right to make";
  }
  const fs::path dir = fresh_directory("errors_deck_link");
  put(dir, "n3dhsp", listing_text(bricks_on_a_spring()));
  put(dir, "nikein", spring_deck);
  put(dir, "elsewhere.txt", "not a deck\n");
  fs::create_symlink("elsewhere.txt", dir / "nikein.rewrite.tmp");

  const RunResult result = run_meridian(dir, {"--job", "4"}, "");
  EXPECT_EQ(result.exit_status, 0) << result.standard_error;
  EXPECT_EQ(read_file(dir / "elsewhere.txt"), "not a deck\n");
  EXPECT_FALSE(fs::is_symlink(dir / "nikein"));
  EXPECT_NE(read_file(dir / "nikein").find("       1      12    4    7\r\n"), std::string::npos);
  EXPECT_EQ(entry_names(dir),
            (std::set<std::string>{"n3dhsp", "nikein", "elsewhere.txt", "nikein.rewrite.tmp",
                                   "done", "model_load.dat", "model_stress_1.dat"}));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace meridian
