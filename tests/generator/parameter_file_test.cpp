#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generator/generator_harness.hpp"
#include "generator/parameter_file.hpp"
#include "records/fatal.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::crlf;
using testing::GeneratorHarness;
using testing::lines;

// A parameter file in sections; the defaults make one 2 x 1 x 1 block whose
// x = 0 face is fixed, and nothing else. Line numbers of the defaults: blocks
// 1-7, constraints 8-11, then one count record per later section (12-16).
struct Sections {
  std::string blocks = lines({"* blocks", "1", "1 1 1 1", "0 2 2", "0 1 1", "0 1 1", "0 1"});
  std::string constraints = lines({"* constraints", "7", "1 0 0 0 1 0 1", "* end"});
  std::string interfaces = lines({"0"});
  std::string loads = lines({"0"});
  std::string springs = lines({"0"});
  std::string pressure = lines({"0"});
  std::string ground = lines({"0"});
  std::string text() const {
    return blocks + constraints + interfaces + loads + springs + pressure + ground;
  }
};

void expect_no_cards(GeneratorHarness& run) {
  run.flush();
  EXPECT_EQ(run.files().out_node.contents(), "");
  EXPECT_EQ(run.files().out_element.contents(), "");
  EXPECT_EQ(run.files().out_interface.contents(), "");
  EXPECT_EQ(run.files().out_load.contents(), "");
  EXPECT_EQ(run.files().out_spring.contents(), "");
}

// ---------------------------------------------------------------- full sections

// Every section used once on a 2 x 1 x 1 block (nodes 1-6 at z = 0, 7-12 at
// z = 1; x = 0, 1, 2 along each row, rows y = 0 and 1).
const std::string all_sections = lines({"* blocks",
                                        "1",
                                        "1 1 1 1",
                                        "0 2",  // the x points and divisions run over two records
                                        "2",
                                        "0 1 1",
                                        "0 1 1",
                                        "0 1",
                                        "* constraints",
                                        "7",
                                        "1 0 0 0 1 0 1",
                                        "* end",
                                        "* interfaces",
                                        "1",
                                        "1 0 1 0 1",
                                        "1 0 2 0 1",
                                        "1",
                                        "* loads",
                                        "2",
                                        "1 1 3 10.0",
                                        "0 1 0 1 0",
                                        "1 0 2 -6",
                                        "2 1 1 0.5",
                                        "* spring regions",
                                        "2",
                                        "1000 1 0 2 0 0 0 0",
                                        "50.5 1 2 2 1 1 1 1",
                                        "* pressure",
                                        "2",
                                        "1 0 2 0 1 0",
                                        "3 1.5",
                                        "1 0 2 0 1 0.5",
                                        "4 2.0",
                                        "* grounded springs",
                                        "2",
                                        "1 0 1 0 1 0 0",
                                        "1 1 1 0 0 -1",
                                        "5 2.0 0",
                                        "1 0 2 0 1 1 1",
                                        "2 1 1 0.5 0 0",
                                        "7 3.0 1"});

TEST(ParameterFile, AllSectionsGiveTheirCards) {
  GeneratorHarness run(all_sections);
  const GeneratedModel model = run.run();
  CardFiles& files = run.files();

  EXPECT_EQ(
      files.out_element.contents(),
      crlf({"           2",
            "       1    1       1       2       5       4       7       8      11      10",
            "       2    1       2       3       6       5       8       9      12      11"}));
  // Side 1 covers x 0..1 (one top face), side 2 the whole block (two).
  EXPECT_EQ(files.out_interface.contents(),
            crlf({"           1           2", "       1       7       8      11      10",
                  "       1       7       8      11      10",
                  "       2       8       9      12      11"}));
  EXPECT_EQ(files.out_load.contents(),
            crlf({"           5",
                  // 10.0 over nodes 1, 2, 4, 5 in z; -6 on node 12 in y.
                  "       1    3    1     2.500", "       2    3    1     2.500",
                  "       4    3    1     2.500", "       5    3    1     2.500",
                  "      12    2    1    -6.000",
                  // Spring markers: region 1 (nodes 1..3), region 2 (node 12).
                  "       1 0.100E+04 0.000E+00", "       3 0.100E+04 0.000E+00",
                  "      12 0.505E+02 0.000E+00",
                  // Pressure region 1: the two bottom faces; region 2 finds none.
                  "           2",
                  "    3       1       2       5       40.1500E+010.1500E+010.1500E+010.1500E+01",
                  "    3       2       3       6       50.1500E+010.1500E+010.1500E+010.1500E+01",
                  "           0"}));
  EXPECT_EQ(files.out_spring.contents(),
            crlf({// Set 1: nodes 1, 2, 4, 5, ground nodes 13..16 one unit below.
                  "      13    7 0.0000000000000E+00 0.0000000000000E+00-0.1000000000000E+01   7.",
                  "      14    7 0.1000000000000E+01 0.0000000000000E+00-0.1000000000000E+01   7.",
                  "      15    7 0.0000000000000E+00 0.1000000000000E+01-0.1000000000000E+01   7.",
                  "      16    7 0.1000000000000E+01 0.1000000000000E+01-0.1000000000000E+01   7.",
                  // Set 2: even x on the top, nodes 7, 9, 10, 12; numbering runs on.
                  "      17    7 0.5000000000000E+00 0.0000000000000E+00 0.1000000000000E+01   7.",
                  "      18    7 0.2500000000000E+01 0.0000000000000E+00 0.1000000000000E+01   7.",
                  "      19    7 0.5000000000000E+00 0.1000000000000E+01 0.1000000000000E+01   7.",
                  "      20    7 0.2500000000000E+01 0.1000000000000E+01 0.1000000000000E+01   7.",
                  "    2    8", "    1    1", " 0.200E+01 5",
                  // Area 2 x 1, stiffness 3 per unit area, over 4 springs: 1.5 each.
                  "    2    1", " 0.150E+01 7", "    1       1      13    1",
                  "    2       2      14    1", "    3       4      15    1",
                  "    4       5      16    1", "    5       7      17    2",
                  "    6       9      18    2", "    7      10      19    2",
                  "    8      12      20    2"}));

  std::vector<double> loads(36, 0.0);
  for (const std::size_t node : {1u, 2u, 4u, 5u}) loads[3 * (node - 1) + 2] = 2.5;
  loads[3 * 11 + 1] = -6.0;
  EXPECT_EQ(model.nodal_loads, loads);
  std::vector<double> stiffness(12, 0.0);
  stiffness[0] = stiffness[1] = stiffness[2] = 1000.0;
  stiffness[11] = 50.5;
  EXPECT_EQ(model.node_spring_stiffness, stiffness);
  EXPECT_EQ(model.node_constraint, (std::vector<std::int32_t>{7, 0, 0, 7, 0, 0, 7, 0, 0, 7, 0, 0}));
}

TEST(ParameterFile, AreaScaledStiffnessIsSharedBySprings) {
  // A 10 x 4 x 1 box with its 8 corner nodes on the grid: 10 * 4 * 5 / 8 = 25.
  Sections file;
  file.blocks = lines({"* blocks", "1", "1 1 1 1", "0 10 1", "0 4 1", "0 1 1", "0 1"});
  file.constraints = lines({"0", "1 0 0 0 0 0 0", "*"});
  file.ground = lines({"1", "1 0 10 0 4 0 1", "1 1 1 0 0 0", "3 5.0 1"});
  GeneratorHarness run(file.text());
  const GeneratedModel model = run.run();
  ASSERT_EQ(model.ground_spring_sets.size(), 1u);
  EXPECT_EQ(model.ground_spring_sets[0].ground_spring_stiffness, 25.0);
  EXPECT_EQ(model.ground_spring_nodes, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::string& spring = run.files().out_spring.contents();
  EXPECT_NE(spring.find("\r\n    1    8\r\n    1    1\r\n 0.250E+02 3\r\n"), std::string::npos);
}

TEST(ParameterFile, SetsWithoutNodesWriteOnlyTheirMaterialRecords) {
  Sections file;
  file.ground = lines({"1", "1 5 6 0 1 0 1", "1 1 1 0 0 0", "2 4.0 0"});
  GeneratorHarness run(file.text());
  run.run();
  EXPECT_EQ(run.files().out_spring.contents(), crlf({"    1    0", "    1    1", " 0.400E+01 2"}));
}

// ---------------------------------------------------------------- openings and counts

TEST(ParameterFile, TwentyCommentsLeaveNoBlocks) {
  // The 21st record is the first one the constraint section reads.
  std::string text;
  for (int i = 0; i < 20; ++i) text += "* comment " + std::to_string(i + 1) + "\n";
  GeneratorHarness run(text + lines({"3", "1 0 0 0 0 0 0"}));
  try {
    run.read();
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(),
                 "parameter_in.txt, line 22: constraint: block 1 does not exist (the file "
                 "defines no block)");
  }
  expect_no_cards(run);
}

TEST(ParameterFile, NineteenCommentsThenTheCount) {
  std::string text;
  for (int i = 0; i < 19; ++i) text += "*\n";
  Sections file;
  file.blocks = text + lines({"1", "1 1 1 1", "0 1 1", "0 1 1", "0 1 1", "0 1"});
  GeneratorHarness run(file.text());
  EXPECT_EQ(run.read().node_count, 8);
}

TEST(ParameterFile, CountIsTheFirstCharacterOnly) {
  // "7 regions follow" counts 7; "12" counts 1; "3*5" reads as the value 5.
  Sections file;
  std::string regions = lines({"* spring regions", "7 regions follow"});
  for (int r = 1; r <= 7; ++r) regions += std::to_string(r) + ".0 1 0 2 0 1 0 1\n";
  file.springs = regions;
  file.pressure = lines({"12", "1 0 2 0 1 1", "1 1.0"});
  file.ground = lines({"* grounded", "3*5"});
  std::string ground_sets;
  for (int q = 0; q < 5; ++q) ground_sets += lines({"1 9 9 9 9 9 9", "1 1 1 0 0 0", "1 1.0 0"});
  file.ground += ground_sets;
  GeneratorHarness run(file.text());
  const GeneratedModel model = run.read();
  EXPECT_EQ(model.spring_marker_nodes.size(), 14u);
  EXPECT_EQ(model.spring_marker_stiffness.back(), 7.0);
  EXPECT_EQ(model.pressure_regions.size(), 1u);
  EXPECT_EQ(model.ground_spring_sets.size(), 5u);
}

TEST(ParameterFile, LoneZeroOpensTheConstraintsAsCodeZero) {
  Sections file;
  file.constraints = lines({"0", "1 0 2 0 1 0 1", "3", "1 0 0 0 1 0 1", "* end"});
  GeneratorHarness run(file.text());
  const GeneratedModel model = run.read();
  EXPECT_EQ(model.node_constraint, (std::vector<std::int32_t>{3, 0, 0, 3, 0, 0, 3, 0, 0, 3, 0, 0}));
}

TEST(ParameterFile, CommentsBeforeEveryCount) {
  Sections file;
  file.interfaces = lines({"* a", "* b", "0 interfaces"});
  file.loads = lines({"*", "0"});
  GeneratorHarness run(file.text());
  EXPECT_EQ(run.read().node_count, 12);
}

// ---------------------------------------------------------------- bad constraint code

class BadConstraintCode : public ::testing::TestWithParam<const char*> {};

TEST_P(BadConstraintCode, StopsWithTheMessageAndNoCards) {
  Sections file;
  file.constraints = lines({"* constraints", GetParam(), "1 0 1 0 1 0 0", "* end"});
  GeneratorHarness run(file.text());
  try {
    run.read();
    FAIL() << "the run did not stop";
  } catch (const RunStopped& stopped) {
    EXPECT_NE(stopped.status(), 0);
  }
  EXPECT_EQ(run.console_text(), " The constrain number should be 0 to 7\r\n");
  expect_no_cards(run);
}

INSTANTIATE_TEST_SUITE_P(Codes, BadConstraintCode, ::testing::Values("8", "9 words", "x", "-1"));

// ---------------------------------------------------------------- rejections

struct RejectCase {
  const char* name;
  Sections file;
  const char* message;
};

Sections with_blocks(std::string blocks) {
  Sections file;
  file.blocks = std::move(blocks);
  return file;
}
Sections with_constraints(std::string constraints) {
  Sections file;
  file.constraints = std::move(constraints);
  return file;
}
Sections with_interfaces(std::string interfaces) {
  Sections file;
  file.interfaces = std::move(interfaces);
  return file;
}
Sections with_loads(std::string loads) {
  Sections file;
  file.loads = std::move(loads);
  return file;
}
Sections with_springs(std::string springs) {
  Sections file;
  file.springs = std::move(springs);
  return file;
}
Sections with_pressure(std::string pressure) {
  Sections file;
  file.pressure = std::move(pressure);
  return file;
}
Sections with_ground(std::string ground) {
  Sections file;
  file.ground = std::move(ground);
  return file;
}

class Rejections : public ::testing::TestWithParam<RejectCase> {};

TEST_P(Rejections, EndTheRunNamingTheLineBeforeAnyCard) {
  GeneratorHarness run(GetParam().file.text());
  try {
    run.read();
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), std::string(GetParam().message));
  }
  expect_no_cards(run);
  EXPECT_EQ(run.console_text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rejections,
    ::testing::Values(
        RejectCase{"empty_file", Sections{"", "", "", "", "", "", ""},
                   "parameter_in.txt, line 1: end of file while reading the count record of the "
                   "blocks section"},
        RejectCase{"block_count_not_a_digit", with_blocks(lines({"* blocks", "x", "1 1 1 1"})),
                   "parameter_in.txt, line 2: the count record of the blocks section must begin "
                   "with a digit, found \"x\""},
        RejectCase{"negative_interface_count", with_interfaces(lines({"-1"})),
                   "parameter_in.txt, line 12: the count record of the interfaces section must "
                   "begin with a digit, found \"-\""},
        RejectCase{"ten_x_segments", with_blocks(lines({"* blocks", "1", "1 10 1 1"})),
                   "parameter_in.txt, line 3: block 1: the x segment count must be 1 to 9, "
                   "found 10"},
        RejectCase{"no_z_segment", with_blocks(lines({"* blocks", "1", "1 1 1 0"})),
                   "parameter_in.txt, line 3: block 1: the z segment count must be 1 to 9, "
                   "found 0"},
        RejectCase{"ten_layers", with_blocks(lines({"* blocks", "1", "10 1 1 1"})),
                   "parameter_in.txt, line 3: block 1: the layer count must be 1 to 9, found 10"},
        RejectCase{"division_zero", with_blocks(lines({"* blocks", "1", "1 2 1 1", "0 1 2 3 0"})),
                   "parameter_in.txt, line 4: block 1: the x division of segment 2 is 0; a "
                   "segment needs at least 1 element"},
        RejectCase{
            "element_in_no_layer",
            with_blocks(lines({"* blocks", "1", "1 1 1 1", "0 2 2", "0 1 1", "0 1 1", "0.5 1"})),
            "parameter_in.txt, line 7: block 1: the elements whose bottom lies at z = 0 "
            "are in no layer of the block"},
        RejectCase{"constraint_block", with_constraints(lines({"* c", "1", "2 0 0 0 0 0 0", "*"})),
                   "parameter_in.txt, line 10: constraint: the block number must be 1 to 1, "
                   "found 2"},
        RejectCase{"interface_side_two_block",
                   with_interfaces(lines({"1", "1 0 1 0 1", "0 0 1 0 1", "1"})),
                   "parameter_in.txt, line 14: interface 1 side 2: the block number must be 1 "
                   "to 1, found 0"},
        RejectCase{"load_block", with_loads(lines({"1", "3 1 3 4.0", "0 1 0 1 0"})),
                   "parameter_in.txt, line 14: nodal load 1: the block number must be 1 to 1, "
                   "found 3"},
        RejectCase{"load_shape", with_loads(lines({"1", "1 2 3 4.0", "0 1 0 1 0"})),
                   "parameter_in.txt, line 14: nodal load 1: the load shape must be 0 (circle) "
                   "or 1 (rectangle), found 2"},
        RejectCase{"load_direction_four", with_loads(lines({"1", "1 1 4 4.0", "0 1 0 1 0"})),
                   "parameter_in.txt, line 14: nodal load 1: the load direction must be 1 to 3, "
                   "found 4"},
        RejectCase{"load_direction_zero", with_loads(lines({"1", "1 0 0 4.0", "0 0 0 1"})),
                   "parameter_in.txt, line 14: nodal load 1: the load direction must be 1 to 3, "
                   "found 0"},
        RejectCase{"spring_region_block", with_springs(lines({"1", "5.0 9 0 1 0 1 0 1"})),
                   "parameter_in.txt, line 15: spring region 1: the block number must be 1 to "
                   "1, found 9"},
        RejectCase{"pressure_block", with_pressure(lines({"1", "-1 0 1 0 1 0", "1 1.0"})),
                   "parameter_in.txt, line 16: pressure region 1: the block number must be 1 to "
                   "1, found -1"},
        RejectCase{"ground_block",
                   with_ground(lines({"1", "2 0 1 0 1 0 0", "1 1 1 0 0 0", "1 1.0 0"})),
                   "parameter_in.txt, line 17: grounded-spring set 1: the block number must be "
                   "1 to 1, found 2"},
        RejectCase{"zero_spacing",
                   with_ground(lines({"1", "1 0 2 0 1 0 0", "1 0 1 0 0 -1", "1 1.0 0"})),
                   "parameter_in.txt, line 18: grounded-spring set 1: a spacing of 0 places no "
                   "grid"},
        RejectCase{"area_scaling_without_nodes",
                   with_ground(lines({"1", "1 5 6 0 1 0 0", "1 1 1 0 0 -1", "1 2.0 1"})),
                   "parameter_in.txt, line 19: grounded-spring set 1: the stiffness is per unit "
                   "area, but the set selects no node to share it"},
        RejectCase{"end_of_file_inside_an_item",
                   with_ground(lines({"1", "1 0 1 0 1 0 0", "1 1 1"})),
                   "parameter_in.txt, line 19: end of file while reading the spacings and "
                   "offsets of grounded-spring set 1"},
        RejectCase{"letters_in_a_number", with_springs(lines({"1", "5.0 1 0 a 0 1 0 1"})),
                   "parameter_in.txt, line 15: cannot read a real from \"a\""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace meridian
