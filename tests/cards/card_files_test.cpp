#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cards/card_files.hpp"
#include "generator/generator_harness.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::crlf;

// ---------------------------------------------------------------- single cards

struct CardCase {
  const char* name;
  const char* layout;
  std::vector<FieldValue> values;
  const char* expected;  // without CR LF
};

class Cards : public ::testing::TestWithParam<CardCase> {};

TEST_P(Cards, RenderOneRecord) {
  const CardCase& c = GetParam();
  OutputFile out = OutputFile::in_memory("card");
  write_card(out, Layout(c.layout), c.values);
  out.flush();
  EXPECT_EQ(out.contents(), std::string(c.expected) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Cards,
    ::testing::Values(
        CardCase{"node",
                 "(I8,I5,3E20.13,F5.0)",
                 {std::int64_t{12}, std::int64_t{3}, 0.5, -2.0, 0.0, 7.0},
                 "      12    3 0.5000000000000E+00-0.2000000000000E+01 0.0000000000000E+00   7."},
        CardCase{"load_share",
                 "(I8,2I5,F10.3)",
                 {std::int64_t{7}, std::int64_t{3}, std::int64_t{1}, 10.0 / 3.0},
                 "       7    3    1     3.333"},
        CardCase{"values_run_out",
                 "(I8,I5,3E20.13,F5.0)",
                 {std::int64_t{1}, std::int64_t{7}},
                 "       1    7"},
        CardCase{"type_too_wide", "(E10.3,I2)", {25.0, std::int64_t{123}}, " 0.250E+02**"},
        CardCase{"spring_element_over_99999",
                 "(I5,2I8,I5)",
                 {std::int64_t{100000}, std::int64_t{5}, std::int64_t{100012}, std::int64_t{1}},
                 "*****       5  100012    1"},
        CardCase{"pressure",
                 "(I5,4I8,4E10.4)",
                 {std::int64_t{2}, std::int64_t{1}, std::int64_t{2}, std::int64_t{5},
                  std::int64_t{4}, -1.25, -1.25, -1.25, -1.25},
                 "    2       1       2       5       4-.1250E+01-.1250E+01-.1250E+01-.1250E+01"},
        CardCase{
            "skips_between_values", "(I2,3X,I2)", {std::int64_t{1}, std::int64_t{2}}, " 1    2"},
        CardCase{"trailing_skip_dropped", "(I2,3X,I2)", {std::int64_t{1}}, " 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cards, GroundNodeCardIsFixedWithRotationsFixed) {
  OutputFile out = OutputFile::in_memory("out_spring.txt");
  const CardLayouts layouts;
  write_ground_node_card(out, layouts, 13, 1.0, -0.5, 2.25);
  out.flush();
  EXPECT_EQ(
      out.contents(),
      crlf({"      13    7 0.1000000000000E+01-0.5000000000000E+00 0.2250000000000E+01   7."}));
}

// ---------------------------------------------------------------- whole files

// A hand-made model of 4 nodes and 1 element (the writer takes the tables as
// they are).
GeneratedModel small_model() {
  GeneratedModel model;
  model.node_count = 4;
  model.element_count = 1;
  model.node_x = {0.0, 1.0, 1.0, 0.0};
  model.node_y = {0.0, 0.0, 1.0, 1.0};
  model.node_z = {0.0, 0.0, 0.0, 0.0};
  model.node_constraint = {7, 3, 0, 5};
  model.node_spring_stiffness = {0.0, 0.0, 0.0, 0.0};
  model.nodal_loads.assign(12, 0.0);
  model.element_material = {2};
  model.element_nodes = {ElementCorners{1, 2, 3, 4, 1, 2, 3, 4}};
  BlockMesh block;
  block.block_node_count = 4;
  block.block_element_count = 1;
  model.blocks.push_back(block);
  return model;
}

struct MemoryCardFiles {
  CardFiles files{OutputFile::in_memory("out_node.txt"), OutputFile::in_memory("out_element.txt"),
                  OutputFile::in_memory("out_interface.txt"), OutputFile::in_memory("out_load.txt"),
                  OutputFile::in_memory("out_spring.txt")};
  void write(const GeneratedModel& model) {
    const CardLayouts layouts;
    write_cards(model, files, layouts);
    files.out_node.flush();
    files.out_element.flush();
    files.out_interface.flush();
    files.out_load.flush();
    files.out_spring.flush();
  }
};

TEST(CardFiles, NodesElementsAndNothingElse) {
  MemoryCardFiles cards;
  cards.write(small_model());
  CardFiles& f = cards.files;
  EXPECT_EQ(
      f.out_node.contents(),
      crlf({"           4",
            "       1    7 0.0000000000000E+00 0.0000000000000E+00 0.0000000000000E+00   7.",
            "       2    3 0.1000000000000E+01 0.0000000000000E+00 0.0000000000000E+00   7.",
            "       3    0 0.1000000000000E+01 0.1000000000000E+01 0.0000000000000E+00   7.",
            "       4    5 0.0000000000000E+00 0.1000000000000E+01 0.0000000000000E+00   7."}));
  EXPECT_EQ(
      f.out_element.contents(),
      crlf({"           1",
            "       1    2       1       2       3       4       1       2       3       4"}));
  // No interfaces and no grounded-spring sets: both files stay empty; no load
  // region: the load file is its count record 0.
  EXPECT_EQ(f.out_interface.contents(), "");
  EXPECT_EQ(f.out_spring.contents(), "");
  EXPECT_EQ(f.out_load.contents(), crlf({"           0"}));
}

TEST(CardFiles, LoadsMarkersAndPressureBlocks) {
  GeneratedModel model = small_model();
  model.load_regions = {LoadRegion{3, 10.0, {1, 2, 3, 4}}, LoadRegion{1, 99.0, {}},
                        LoadRegion{2, -1.0, {4}}};
  model.spring_marker_nodes = {1, 4};
  model.spring_marker_stiffness = {1500.0, 1500.0};
  model.pressure_regions = {PressureRegion{1, 0.75, {Segment{1, 2, 3, 4}, Segment{4, 3, 2, 1}}},
                            PressureRegion{2, 5.0, {}}};
  MemoryCardFiles cards;
  cards.write(model);
  EXPECT_EQ(cards.files.out_load.contents(),
            crlf({"           5", "       1    3    1     2.500", "       2    3    1     2.500",
                  "       3    3    1     2.500", "       4    3    1     2.500",
                  "       4    2    1    -1.000", "       1 0.150E+04 0.000E+00",
                  "       4 0.150E+04 0.000E+00", "           2",
                  "    1       1       2       3       40.7500E+000.7500E+000.7500E+000.7500E+00",
                  "    1       4       3       2       10.7500E+000.7500E+000.7500E+000.7500E+00",
                  "           0"}));
}

TEST(CardFiles, InterfaceCountsThenSegmentsNumberedPerSide) {
  GeneratedModel model = small_model();
  model.interface_segments = {
      InterfaceSides{std::vector<Segment>{{1, 2, 3, 4}, {5, 6, 7, 8}},
                     std::vector<Segment>{{9, 10, 11, 12}}},
      InterfaceSides{std::vector<Segment>{}, std::vector<Segment>{{13, 14, 15, 16}}}};
  MemoryCardFiles cards;
  cards.write(model);
  EXPECT_EQ(
      cards.files.out_interface.contents(),
      crlf({"           2           1", "           0           1",
            "       1       1       2       3       4", "       2       5       6       7       8",
            "       1       9      10      11      12",
            "       1      13      14      15      16"}));
}

TEST(CardFiles, GroundSpringsOfTwoSets) {
  // Sets of 3 and 2 springs on a 4-node model: ground nodes 5..9, element
  // cards 1..5 with materials 1, 1, 1, 2, 2.
  GeneratedModel model = small_model();
  model.ground_spring_sets = {GroundSpringSet{2, 125.0, 3}, GroundSpringSet{123, 0.5, 2}};
  model.ground_spring_nodes = {1, 2, 3, 4, 1};
  MemoryCardFiles cards;
  cards.write(model);
  EXPECT_EQ(cards.files.out_spring.contents(),
            crlf({"    2    5", "    1    1", " 0.125E+03 2", "    2    1", " 0.500E+00**",
                  "    1       1       5    1", "    2       2       6    1",
                  "    3       3       7    1", "    4       4       8    2",
                  "    5       1       9    2"}));
}

// ---------------------------------------------------------------- creating and closing

TEST(CardFiles, CreatedEmptyInOrderAndOnDiskWhenClosed) {
  testing::TempDir directory;
  testing::write_file("out_load.txt", "an earlier run's cards\n");
  CardFiles files = CardFiles::create();
  for (const char* name :
       {"out_node.txt", "out_element.txt", "out_interface.txt", "out_load.txt", "out_spring.txt"}) {
    EXPECT_EQ(testing::read_file(name), "") << name;
  }
  const CardLayouts layouts;
  write_cards(small_model(), files, layouts);
  files.close();
  EXPECT_EQ(testing::read_file("out_load.txt"), crlf({"           0"}));
  EXPECT_EQ(testing::read_file("out_element.txt").substr(0, 14), "           1\r\n");
}

}  // namespace
}  // namespace meridian
