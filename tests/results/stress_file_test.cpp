#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/step_store.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "records/layout.hpp"
#include "results/run_tables.hpp"
#include "results/step_writer.hpp"
#include "support/case_names.hpp"
#include "support/field_texts.hpp"
#include "support/scratch_dir.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

using testing::read_file;
using testing::records;
using testing::RunTables;
using testing::write_step_results;
using testing::ScratchDir;

using testing::e_half;
using testing::e_minus_two_and_half;
using testing::e_one;
using testing::e_twenty;
using testing::e_two;
using testing::e_zero;
using testing::e_minus_three;

const std::string title = "TITLE=\"Model_STRESS\"";
const std::string variables =
    "VARIABLES=\"X\",\"Y\",\"Z\",\"XX\",\"YY\",\"ZZ\",\"XY\",\"YZ\",\"ZX\",\"MISES\","
    "\"TEMPERATURE\"";

// Two nodes, one element, one step; node 1 moves by (0.02, 0, -0.01).
RunTables two_node_run(double scale) {
  RunTables run(2);
  run.scale = scale;
  run.x = {1.0, 0.0};
  run.y = {2.0, 0.0};
  run.z = {-2.5, 0.0};
  run.elements = {{1, 2, 1, 2, 1, 2, 1, 2}};
  run.materials = {1};
  run.zones = {1};
  run.add_step({0.02, 0.0, -0.01, 20.0, 0.0, 0.0, 0.0, 0.0},
               {1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 2.0});
  return run;
}

TEST(StressFile, TwoNodesOneElement) {
  ScratchDir dir;
  const RunTables run = two_node_run(0.5);  // f = 50
  write_step_results(run.view(), StepOutputs{});
  const std::string zeros5 =
      " " + e_zero + " " + e_zero + " " + e_zero + " " + e_zero + " " + e_zero;
  const std::string expected = records({
      title,
      variables,
      "ZONE T=\"nn.1\"",
      "N=    2,E=    1,F=FEPOINT,ET=BRICK",
      // A negative value fills its field: only the 1X blank before it.
      e_two + " " + e_two + " " + e_minus_three + " " + e_one + zeros5,
      " " + e_half + " " + e_twenty,
      e_zero + " " + e_zero + " " + e_zero + " " + e_zero + zeros5,
      " " + e_two + " " + e_zero,
      "       1       2       1       2       1       2       1       2",
  });
  EXPECT_EQ(read_file("model_stress_1.dat"), expected);
  EXPECT_EQ(dir.files(), (std::set<std::string>{"model_stress_1.dat"}));
}

TEST(StressFile, ScaleZeroWritesUndeformedCoordinates) {
  ScratchDir dir;
  const RunTables run = two_node_run(0.0);
  write_step_results(run.view(), StepOutputs{});
  const std::string text = read_file("model_stress_1.dat");
  const std::string head =
      records({title, variables, "ZONE T=\"nn.1\"", "N=    2,E=    1,F=FEPOINT,ET=BRICK"});
  EXPECT_EQ(text.substr(head.size(), 62), e_one + " " + e_two + " " + e_minus_two_and_half);
}

TEST(StressFile, StepCountZeroWritesNothing) {
  ScratchDir dir;
  RunTables run(2);
  run.zones = {0};
  write_step_results(run.view(), {false, false, true, true});
  EXPECT_TRUE(dir.files().empty());
  StepResults no_store = run.view();
  no_store.steps = nullptr;
  write_step_results(no_store, StepOutputs{});
  EXPECT_TRUE(dir.files().empty());
}

TEST(StressFile, ZoneCountZeroHoldsTitleAndVariables) {
  ScratchDir dir;
  RunTables run = two_node_run(1.0);
  run.zones.clear();
  write_step_results(run.view(), StepOutputs{});
  EXPECT_EQ(read_file("model_stress_1.dat"), records({title, variables}));
}

TEST(StressFile, ZoneWithoutElementsAndZonesRepeatingNodes) {
  ScratchDir dir;
  RunTables run = two_node_run(0.0);
  run.zones = {0, 1};
  write_step_results(run.view(), StepOutputs{});
  const std::string zeros5 =
      " " + e_zero + " " + e_zero + " " + e_zero + " " + e_zero + " " + e_zero;
  const std::string nodes = records({
      e_one + " " + e_two + " " + e_minus_two_and_half + " " + e_one + zeros5,
      " " + e_half + " " + e_twenty,
      e_zero + " " + e_zero + " " + e_zero + " " + e_zero + zeros5,
      " " + e_two + " " + e_zero,
  });
  EXPECT_EQ(read_file("model_stress_1.dat"),
            records({title, variables, "ZONE T=\"nn.1\"", "N=    2,E=    0,F=FEPOINT,ET=BRICK"}) +
                nodes + records({"ZONE T=\"nn.2\"", "N=    2,E=    1,F=FEPOINT,ET=BRICK"}) + nodes +
                records({"       1       2       1       2       1       2       1       2"}));
}

TEST(StressFile, ManyNodesOneZoneEqualsEveryZoneOfSeveral) {
  // The single-zone file streams its nodes in pieces; several zones reuse one
  // rendering. Both must give the same node records.
  ScratchDir dir;
  const int nodes = 9000;
  RunTables run(nodes);
  std::vector<double> result(nodes * 4), stress(nodes * 7);
  for (int i = 0; i < nodes; ++i) {
    run.x[i] = i * 0.25;
    run.y[i] = -i * 0.5;
    run.z[i] = i;
    for (int c = 0; c < 4; ++c) result[i * 4 + c] = (i + c) * 1e-3;
    for (int c = 0; c < 7; ++c) stress[i * 7 + c] = (i - c) * 3.5;
  }
  run.add_step(result, stress);
  run.zones = {0};
  write_step_results(run.view(), StepOutputs{});
  const std::string one = read_file("model_stress_1.dat");
  run.zones = {0, 0, 0};
  write_step_results(run.view(), StepOutputs{});
  const std::string three = read_file("model_stress_1.dat");
  const std::string head = records({title, variables});
  const std::string zone1 = records({"ZONE T=\"nn.1\"", "N= 9000,E=    0,F=FEPOINT,ET=BRICK"});
  ASSERT_EQ(one.size(), head.size() + zone1.size() + nodes * 234u);
  const std::string node_block = one.substr(head.size() + zone1.size());
  EXPECT_EQ(three,
            head + zone1 + node_block +
                records({"ZONE T=\"nn.2\"", "N= 9000,E=    0,F=FEPOINT,ET=BRICK"}) + node_block +
                records({"ZONE T=\"nn.3\"", "N= 9000,E=    0,F=FEPOINT,ET=BRICK"}) + node_block);
  // Node 9000 (last): x = 2249.75 + 100 * 8.999 = 3149.65
  EXPECT_NE(node_block.find("\r\n 0.3149650000000E+04 "), std::string::npos);

  // The nodes span several rendering blocks on two threads: every node's
  // records stand in node order, as the general layout writer renders them.
  const Layout layout("(E20.13,8(1X,E20.13))");
  std::string expected;
  expected.reserve(node_block.size());
  for (int i = 0; i < nodes; ++i) {
    const double* r = &result[i * 4];
    const double* t = &stress[i * 7];
    const double factor = 100.0;
    const FieldValue values[] = {run.x[i] + factor * r[0], run.y[i] + factor * r[1],
                                 run.z[i] + factor * r[2], t[0], t[1], t[2], t[3], t[4], t[5],
                                 t[6], r[3]};
    for (const std::string& record : render_records(layout, values)) expected += record + "\r\n";
  }
  EXPECT_TRUE(node_block == expected) << "node records differ from the layout writer's";
}

TEST(StressFile, NodeCountAboveFiveDigitsIsWrittenInFull) {
  ScratchDir dir;
  RunTables run(100000);
  run.add_quiet_steps(1);
  run.zones = {0};
  write_step_results(run.view(), StepOutputs{});
  const std::string text = read_file("model_stress_1.dat");
  const std::string head =
      records({title, variables, "ZONE T=\"nn.1\"", "N=100000,E=    0,F=FEPOINT,ET=BRICK"});
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.size(), head.size() + 100000u * 234u);
}

TEST(StressFile, TenStepsNameTheTenthWithAColon) {
  ScratchDir dir;
  RunTables run(1);
  run.zones = {0};
  run.add_quiet_steps(10);
  write_step_results(run.view(), StepOutputs{});
  EXPECT_EQ(dir.files(),
            (std::set<std::string>{"model_stress_1.dat", "model_stress_2.dat", "model_stress_3.dat",
                                   "model_stress_4.dat", "model_stress_5.dat", "model_stress_6.dat",
                                   "model_stress_7.dat", "model_stress_8.dat", "model_stress_9.dat",
                                   "model_stress_:.dat"}));
}

TEST(StressFile, StepsFrom79OnCarryTheirNumber) {
  if (platform::names_must_be_portable) {
    GTEST_SKIP() << "the step characters : ; < > ? are no file names on this system";
  }
  ScratchDir dir;
  RunTables run(0);
  run.add_quiet_steps(80);
  write_step_results(run.view(), StepOutputs{});
  const auto files = dir.files();
  EXPECT_EQ(files.size(), 80u);
  EXPECT_TRUE(files.contains("model_stress_~.dat"));
  EXPECT_TRUE(files.contains("model_stress_79.dat"));
  EXPECT_TRUE(files.contains("model_stress_80.dat"));
  EXPECT_EQ(read_file("model_stress_80.dat"), records({title, variables}));
}

TEST(StressFile, EachStepUsesItsOwnResults) {
  ScratchDir dir;
  RunTables run(1);
  run.zones = {0};
  run.add_step({0.0, 0.0, 0.0, 1.0}, std::vector<double>(7, 0.0));
  run.add_step({0.0, 0.0, 0.0, 2.0}, std::vector<double>(7, 0.0));
  write_step_results(run.view(), StepOutputs{});
  const std::string first = read_file("model_stress_1.dat");
  const std::string second = read_file("model_stress_2.dat");
  EXPECT_EQ(first.substr(first.size() - 22), e_one + "\r\n");
  EXPECT_EQ(second.substr(second.size() - 22), e_two + "\r\n");
}

TEST(StressFile, TablesTooShortEndTheRun) {
  ScratchDir dir;
  RunTables run = two_node_run(1.0);
  run.zones = {2};  // one element only
  EXPECT_THROW(write_step_results(run.view(), StepOutputs{}), FatalError);
  run.zones = {1};
  run.node_count = 3;  // two nodes only
  EXPECT_THROW(write_step_results(run.view(), StepOutputs{}), FatalError);
}

// Which files each set of outputs gives per step.
struct OutputFiles {
  const char* name;
  StepOutputs outputs;
  bool interfaces;
  std::set<std::string> files;
};

class FilesOfOutputs : public ::testing::TestWithParam<OutputFiles> {};

TEST_P(FilesOfOutputs, OneStep) {
  const OutputFiles& c = GetParam();
  ScratchDir dir;
  RunTables run = two_node_run(1.0);
  if (c.interfaces) run.interfaces.push_back({std::vector<Segment>{{1, 2, 2, 1}}, {}});
  write_step_results(run.view(), c.outputs);
  EXPECT_EQ(dir.files(), c.files);
}

INSTANTIATE_TEST_SUITE_P(
    StressFile, FilesOfOutputs,
    ::testing::Values(
        OutputFiles{"none", {}, true, {"model_stress_1.dat"}},
        OutputFiles{"edges_without_interfaces", {true, false, false, false}, false,
                    {"model_stress_1.dat"}},
        OutputFiles{"edges", {true, false, false, false}, true,
                    {"model_stress_1.dat", "edge_node_1.csv"}},
        OutputFiles{"material_diagonals", {false, true, false, false}, false,
                    {"model_stress_1.dat", "diagonal_node_1.csv"}},
        OutputFiles{"interface_diagonals", {false, true, false, false}, true,
                    {"model_stress_1.dat", "diagonal_node_1.csv"}},
        OutputFiles{"lines_and_springs", {false, false, true, true}, false,
                    {"model_stress_1.dat", "line_node_1.csv", "spring_1.csv"}}),
    testing::CaseName());

}  // namespace
}  // namespace meridian
