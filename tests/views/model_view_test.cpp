#include "views/model_view.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "support/case_names.hpp"
#include "support/field_texts.hpp"
#include "support/scratch_dir.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::read_file;
using testing::records;
using testing::ScratchDir;

using testing::e_half;
using testing::e_minus_two_and_half;
using testing::e_one;
using testing::e_twenty;
using testing::e_two;
using testing::e_zero;

const std::string title = "TITLE=\"Model\"";
const std::string variables =
    "VARIABLES=\"X\",\"Y\",\"Z\",\"Constrain X\",\"Constrain Y\",\"Constrain Z\"";
const std::string spring_names = "\"Spring X\",\"Spring Y\",\"Spring Z\"";
const std::string temperature = "\"Temperature\"";

// The tables of a model, owned by the test; view() hands them to the writer.
struct Model {
  std::int32_t node_count = 0;
  std::int32_t load_case_count = 0;
  std::vector<double> x, y, z, loads, temperature;
  std::vector<std::int32_t> constraint;
  std::vector<ElementCorners> elements;
  std::vector<std::int32_t> zones;
  std::vector<InterfaceSides> interfaces;
  std::vector<std::int32_t> spring_node1, spring_node2, spring_direction;

  // Adds a node with its loads (3 per load case).
  void add_node(double nx, double ny, double nz, std::int32_t code, std::vector<double> node_loads,
                double t) {
    ++node_count;
    x.push_back(nx);
    y.push_back(ny);
    z.push_back(nz);
    constraint.push_back(code);
    loads.insert(loads.end(), node_loads.begin(), node_loads.end());
    temperature.push_back(t);
  }
  void add_spring(std::int32_t a, std::int32_t b, std::int32_t code) {
    spring_node1.push_back(a);
    spring_node2.push_back(b);
    spring_direction.push_back(code);
  }

  ModelView view() const {
    ModelView v;
    v.node_count = node_count;
    v.load_case_count = load_case_count;
    v.node_x = x;
    v.node_y = y;
    v.node_z = z;
    v.nodal_loads = loads;
    v.node_temperature = temperature;
    v.node_constraint = constraint;
    v.element_nodes = elements;
    v.zone_element_counts = zones;
    v.interface_segments = interfaces;
    v.spring_node1 = spring_node1;
    v.spring_node2 = spring_node2;
    v.spring_direction = spring_direction;
    return v;
  }
};

std::string write_and_read(const Model& model, bool interface_zones = false) {
  write_model_view(model.view(), ViewOptions{interface_zones});
  return read_file("model_load.dat");
}

TEST(ModelLoadFile, OneNodeOneElementOneLoadCase) {
  ScratchDir dir;
  Model model;
  model.load_case_count = 1;
  model.add_node(1.0, 2.0, -2.5, 4, {0.5, 0.0, 1.0}, 20.0);
  model.elements.push_back({1, 1, 1, 1, 1, 1, 1, 1});
  model.zones = {1};
  const std::string expected = records({
      title,
      variables,
      spring_names,
      "\"Load_ 1 X\",\"Load_ 1 Y\",\"Load_ 1 Z\"",
      temperature,
      "ZONE T=\"nn.1\"",
      "N=    1,E=    1,F=FEPOINT,ET=BRICK",
      e_one + " " + e_two + " " + e_minus_two_and_half + " 1 1 0 0 0 0" + " " + e_half + " " +
          e_zero + " " + e_one + " " + e_twenty,
      "       1       1       1       1       1       1       1       1",
  });
  EXPECT_EQ(write_and_read(model), expected);
  // One load case: 13 values, 158 columns.
  const std::size_t node_start = expected.find(e_one + " " + e_two);
  EXPECT_EQ(expected.find("\r\n", node_start) - node_start, 158u);
  EXPECT_EQ(dir.files(), (std::set<std::string>{"model_load.dat"}));
}

TEST(ModelLoadFile, ZoneCountZeroHoldsTheHeaderOnly) {
  ScratchDir dir;
  Model model;
  model.add_node(1.0, 1.0, 1.0, 0, {}, 0.0);
  // No load cases: no load-name record.
  EXPECT_EQ(write_and_read(model), records({title, variables, spring_names, temperature}));
}

TEST(ModelLoadFile, NodeCountZeroWritesZoneHeadersAndElements) {
  ScratchDir dir;
  Model model;
  model.elements = {{1, 2, 3, 4, 5, 6, 7, 8}, {-1, 0, 12345678, 123456789, 9, 10, 11, 12}};
  model.zones = {1, 1};
  EXPECT_EQ(write_and_read(model),
            records({title, variables, spring_names, temperature, "ZONE T=\"nn.1\"",
                     "N=    0,E=    1,F=FEPOINT,ET=BRICK",
                     "       1       2       3       4       5       6       7       8",
                     "ZONE T=\"nn.2\"", "N=    0,E=    1,F=FEPOINT,ET=BRICK",
                     "      -1       012345678********       9      10      11      12"}));
}

TEST(ModelLoadFile, ZoneWithoutElementsHasAllNodeRecords) {
  ScratchDir dir;
  Model model;
  model.add_node(0.0, 0.0, 0.0, 0, {}, 0.0);
  model.add_node(1.0, 1.0, 1.0, 7, {}, 2.0);
  model.zones = {0};
  const std::string flags_none = " 0 0 0 0 0 0";
  EXPECT_EQ(write_and_read(model),
            records({title, variables, spring_names, temperature, "ZONE T=\"nn.1\"",
                     "N=    2,E=    0,F=FEPOINT,ET=BRICK",
                     e_zero + " " + e_zero + " " + e_zero + flags_none + " " + e_zero,
                     e_one + " " + e_one + " " + e_one + " 1 1 1 0 0 0 " + e_two}));
}

TEST(ModelLoadFile, ZoneTenAndAboveGetAnAsteriskInTheTitle) {
  ScratchDir dir;
  Model model;
  model.zones = std::vector<std::int32_t>(11, 0);
  const std::string text = write_and_read(model);
  std::vector<std::string> lines = {title, variables, spring_names, temperature};
  for (int zone = 1; zone <= 11; ++zone) {
    lines.push_back(zone < 10 ? "ZONE T=\"nn." + std::to_string(zone) + "\"" : "ZONE T=\"nn.*\"");
    lines.push_back("N=    0,E=    0,F=FEPOINT,ET=BRICK");
  }
  std::string expected;
  for (const std::string& line : lines) expected += line + "\r\n";
  EXPECT_EQ(text, expected);
}

// Constraint and spring flags of one node record, as the 12 flag columns.
struct FlagCase {
  const char* name;
  std::int32_t constraint;
  std::vector<std::array<std::int32_t, 3>> springs;  // node1, node2, code
  const char* flags;
};

class NodeFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(NodeFlags, FlagColumnsOfNodeOne) {
  const FlagCase& c = GetParam();
  ScratchDir dir;
  Model model;
  model.add_node(0.0, 0.0, 0.0, c.constraint, {}, 0.0);
  model.add_node(0.0, 0.0, 0.0, 0, {}, 0.0);
  for (const auto& s : c.springs) model.add_spring(s[0], s[1], s[2]);
  model.zones = {0};
  const std::string zero_xyz = e_zero + " " + e_zero + " " + e_zero;
  const std::string text = write_and_read(model);
  const std::string header = records({title, variables, spring_names, temperature,
                                      "ZONE T=\"nn.1\"", "N=    2,E=    0,F=FEPOINT,ET=BRICK"});
  ASSERT_EQ(text.substr(0, header.size()), header);
  const std::string node1 = text.substr(header.size(), 62 + 12);
  EXPECT_EQ(node1, zero_xyz + c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    ModelLoadFile, NodeFlags,
    ::testing::Values(FlagCase{"free", 0, {}, " 0 0 0 0 0 0"}, FlagCase{"x", 1, {}, " 1 0 0 0 0 0"},
                      FlagCase{"y", 2, {}, " 0 1 0 0 0 0"}, FlagCase{"z", 3, {}, " 0 0 1 0 0 0"},
                      FlagCase{"xy", 4, {}, " 1 1 0 0 0 0"}, FlagCase{"yz", 5, {}, " 0 1 1 0 0 0"},
                      FlagCase{"xz", 6, {}, " 1 0 1 0 0 0"}, FlagCase{"xyz", 7, {}, " 1 1 1 0 0 0"},
                      FlagCase{"constraint8", 8, {}, " 0 0 0 0 0 0"},
                      FlagCase{"constraintNegative", -1, {}, " 0 0 0 0 0 0"},
                      FlagCase{"twoSpringsUnion", 0, {{1, 2, 1}, {2, 1, 3}}, " 0 0 0 1 0 1"},
                      FlagCase{"bothEndsOfOneSpring", 0, {{1, 1, 2}}, " 0 0 0 0 1 0"},
                      FlagCase{"springCode9", 0, {{1, 2, 9}}, " 0 0 0 0 0 0"},
                      FlagCase{"springCodeNegative", 0, {{2, 1, -3}}, " 0 0 0 0 0 0"},
                      FlagCase{"otherNodeOnly", 0, {{2, 2, 7}}, " 0 0 0 0 0 0"},
                      FlagCase{"nodesOutsideModelIgnored",
                               5,
                               {{0, 3, 7}, {-4, 1, 1}, {1, 100, 4}},
                               " 0 1 1 1 1 0"}),
    [](const auto& info) { return std::string(info.param.name); });

// Load cases n = 0, 1, 3, 36: the load-name records and the node record width
// 20 + 42 + 12 + (3n+1) * 21.
class LoadCases : public ::testing::TestWithParam<int> {};

TEST_P(LoadCases, NamesAndNodeRecord) {
  const int n = GetParam();
  ScratchDir dir;
  Model model;
  model.load_case_count = n;
  std::vector<double> loads(static_cast<std::size_t>(3 * n));
  for (int c = 0; c < 3 * n; ++c) loads[c] = (c % 3 == 1) ? 1.0 : 0.0;
  model.add_node(0.0, 0.0, 0.0, 0, loads, 2.0);
  model.zones = {0};
  std::string expected = title + "\r\n" + variables + "\r\n" + spring_names + "\r\n";
  auto two = [](int k) { return k < 10 ? " " + std::to_string(k) : std::to_string(k); };
  for (int k = 1; k <= n; ++k) {
    expected += "\"Load_" + two(k) + " X\",\"Load_" + two(k) + " Y\",\"Load_" + two(k) + " Z\"\r\n";
  }
  expected += temperature + "\r\nZONE T=\"nn.1\"\r\nN=    1,E=    0,F=FEPOINT,ET=BRICK\r\n";
  std::string node = e_zero + " " + e_zero + " " + e_zero + " 0 0 0 0 0 0";
  for (int k = 0; k < n; ++k) node += " " + e_zero + " " + e_one + " " + e_zero;
  node += " " + e_two;
  EXPECT_EQ(node.size(), static_cast<std::size_t>(20 + 42 + 12 + (3 * n + 1) * 21));
  expected += node + "\r\n";
  EXPECT_EQ(write_and_read(model), expected);
}

INSTANTIATE_TEST_SUITE_P(ModelLoadFile, LoadCases, ::testing::Values(0, 1, 3, 36));

TEST(ModelLoadFile, NodeCountAboveFiveDigitsIsWrittenInFull) {
  ScratchDir dir;
  Model model;
  for (int i = 0; i < 100000; ++i) model.add_node(0.0, 0.0, 0.0, 0, {}, 0.0);
  model.zones = {0, 0};
  const std::string text = write_and_read(model);
  const std::string node = e_zero + " " + e_zero + " " + e_zero + " 0 0 0 0 0 0 " + e_zero + "\r\n";
  std::string nodes;
  for (int i = 0; i < 100000; ++i) nodes += node;
  const std::string header = records({title, variables, spring_names, temperature});
  const std::string zone1 = records({"ZONE T=\"nn.1\"", "N=100000,E=    0,F=FEPOINT,ET=BRICK"});
  const std::string zone2 = records({"ZONE T=\"nn.2\"", "N=100000,E=    0,F=FEPOINT,ET=BRICK"});
  EXPECT_TRUE(text == header + zone1 + nodes + zone2 + nodes);
}

TEST(ModelLoadFile, FileIsEmptiedBeforeWriting) {
  ScratchDir dir;
  {
    std::ofstream old("model_load.dat");
    old << std::string(5000, 'x');
  }
  Model model;
  EXPECT_EQ(write_and_read(model), records({title, variables, spring_names, temperature}));
}

TEST(ModelLoadFile, ZonesBeyondTheElementTableEndTheRun) {
  ScratchDir dir;
  Model model;
  model.elements.push_back({1, 1, 1, 1, 1, 1, 1, 1});
  model.zones = {1, 1};
  EXPECT_THROW(write_model_view(model.view(), ViewOptions{false}), FatalError);
  model.zones = {2, -1};
  EXPECT_THROW(write_model_view(model.view(), ViewOptions{false}), FatalError);
}

TEST(ModelLoadFile, ShortNodeTablesEndTheRun) {
  ScratchDir dir;
  Model model;
  model.add_node(0.0, 0.0, 0.0, 0, {}, 0.0);
  model.load_case_count = 1;  // but no load columns
  EXPECT_THROW(write_model_view(model.view(), ViewOptions{false}), FatalError);
  model.load_case_count = 0;
  model.node_count = 2;
  EXPECT_THROW(write_model_view(model.view(), ViewOptions{false}), FatalError);
}

// ---- Interface zone files ----

Model two_node_model() {
  Model model;
  model.add_node(1.0, 2.0, -2.5, 0, {}, 0.0);
  model.add_node(0.5, 0.0, 1.0, 0, {}, 0.0);
  return model;
}

const std::string interface_nodes = records(
    {e_one + " " + e_two + " " + e_minus_two_and_half, e_half + " " + e_zero + " " + e_one});

TEST(InterfaceFiles, JobOneWritesNone) {
  ScratchDir dir;
  Model model = two_node_model();
  model.interfaces.push_back({std::vector<Segment>{{1, 2, 2, 1}}, std::vector<Segment>{}});
  write_model_view(model.view(), ViewOptions{false});
  EXPECT_EQ(dir.files(), (std::set<std::string>{"model_load.dat"}));
}

TEST(InterfaceFiles, NoInterfacesNoFiles) {
  ScratchDir dir;
  Model model = two_node_model();
  write_model_view(model.view(), ViewOptions{true});
  EXPECT_EQ(dir.files(), (std::set<std::string>{"model_load.dat"}));
}

TEST(InterfaceFiles, SideWithoutSegments) {
  ScratchDir dir;
  Model model = two_node_model();
  model.interfaces.push_back(
      {std::vector<Segment>{{1, 2, 2, 1}, {2, 1, 1, 12345678}}, std::vector<Segment>{}});
  write_model_view(model.view(), ViewOptions{true});
  EXPECT_EQ(dir.files(),
            (std::set<std::string>{"model_load.dat", "interface_m_1.dat", "interface_s_1.dat"}));
  EXPECT_EQ(read_file("interface_m_1.dat"),
            records({"TITLE=\"Interface_m_1\"", "VARIABLES=\"X\",\"Y\",\"Z\"",
                     "ZONE N=    2,E=    2,F=FEPOINT,ET=QUADRILATERAL"}) +
                interface_nodes +
                records({"       1       2       2       1", "       2       1       112345678"}));
  EXPECT_EQ(read_file("interface_s_1.dat"),
            records({"TITLE=\"Interface_s_1\"", "VARIABLES=\"X\",\"Y\",\"Z\"",
                     "ZONE N=    2,E=    0,F=FEPOINT,ET=QUADRILATERAL"}) +
                interface_nodes);
}

TEST(InterfaceFiles, TwoInterfacesGiveFourFiles) {
  ScratchDir dir;
  Model model = two_node_model();
  model.interfaces.push_back(
      {std::vector<Segment>{{1, 1, 1, 1}}, std::vector<Segment>{{2, 2, 2, 2}}});
  model.interfaces.push_back(
      {std::vector<Segment>{{1, 2, 1, 2}}, std::vector<Segment>{{2, 1, 2, 1}}});
  model.zones = {0};
  write_model_view(model.view(), ViewOptions{true});
  EXPECT_EQ(dir.files(),
            (std::set<std::string>{"model_load.dat", "interface_m_1.dat", "interface_s_1.dat",
                                   "interface_m_2.dat", "interface_s_2.dat"}));
  const char* names[4] = {"m_1", "s_1", "m_2", "s_2"};
  const char* segments[4] = {"       1       1       1       1", "       2       2       2       2",
                             "       1       2       1       2",
                             "       2       1       2       1"};
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(
        read_file(std::string("interface_") + names[f] + ".dat"),
        records({std::string("TITLE=\"Interface_") + names[f] + "\"", "VARIABLES=\"X\",\"Y\",\"Z\"",
                 "ZONE N=    2,E=    1,F=FEPOINT,ET=QUADRILATERAL"}) +
            interface_nodes + records({segments[f]}));
  }
  // The interface node records equal the X, Y, Z columns of model_load.dat.
  EXPECT_NE(
      read_file("model_load.dat").find(e_one + " " + e_two + " " + e_minus_two_and_half + " 0"),
      std::string::npos);
}

TEST(InterfaceFiles, TenthAndLaterInterfacesFollowTheStepCharacters) {
  if (platform::names_must_be_portable) {
    GTEST_SKIP() << "the step characters : ; < > ? are no file names on this system";
  }
  ScratchDir dir;
  Model model;
  model.interfaces.resize(79);
  write_model_view(model.view(), ViewOptions{true});
  const auto files = dir.files();
  EXPECT_EQ(files.size(), 1u + 2u * 79u);
  EXPECT_TRUE(files.contains("interface_m_9.dat"));
  EXPECT_TRUE(files.contains("interface_s_:.dat"));
  EXPECT_TRUE(files.contains("interface_m_~.dat"));
  EXPECT_TRUE(files.contains("interface_s_79.dat"));
  EXPECT_EQ(read_file("interface_m_79.dat"),
            records({"TITLE=\"Interface_m_79\"", "VARIABLES=\"X\",\"Y\",\"Z\"",
                     "ZONE N=    0,E=    0,F=FEPOINT,ET=QUADRILATERAL"}));
  EXPECT_EQ(read_file("interface_s_:.dat").substr(0, 22), "TITLE=\"Interface_s_:\"\r");
}

TEST(InterfaceFiles, SegmentCountAboveFiveDigitsIsWrittenInFull) {
  ScratchDir dir;
  Model model;
  model.interfaces.push_back(
      {std::vector<Segment>(123456, Segment{0, 0, 0, 0}), std::vector<Segment>{}});
  write_model_view(model.view(), ViewOptions{true});
  const std::string text = read_file("interface_m_1.dat");
  const std::string head = records({"TITLE=\"Interface_m_1\"", "VARIABLES=\"X\",\"Y\",\"Z\"",
                                    "ZONE N=    0,E=123456,F=FEPOINT,ET=QUADRILATERAL"});
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.size(), head.size() + 123456u * 34u);
}

}  // namespace
}  // namespace meridian
