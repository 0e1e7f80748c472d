// The forward read of a listing: counts, model tables, paged tables, time-step
// blocks, zones, and the refusal of bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "listing/load_helpers.hpp"
#include "support/case_names.hpp"

namespace meridian::testing {
namespace {

using meridian::testing::PrintTo;

// Printout values that survive their printed fields exactly: nodal values of
// five significant digits (E14.5 / E13.5), element values of three (E11.3).
void add_exact_steps(ListingFixture& f, int step_count) {
  for (int s = 1; s <= step_count; ++s) {
    ListingStep step;
    step.time = 0.5 * s;
    for (std::size_t i = 1; i <= f.nodes.size(); ++i) {
      const double n = static_cast<double>(i);
      step.node_values.push_back(
          {(n * 7 + s) / 1000.0, -(n * 3 + s) / 10000.0, (n + 100.0 * s) / 100000.0, 20.0 + n + s});
    }
    for (std::size_t e = 1; e <= f.elements.size(); ++e) {
      ElementPrintout gauss{};
      for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 7; ++c) {
          const long v = (static_cast<long>(e) * 37 + p * 11 + c * 5 + s * 101) % 1999 - 999;
          gauss[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)] = static_cast<double>(v);
        }
      }
      step.element_values.push_back(gauss);
    }
    for (std::size_t i = 1; i <= f.springs.size(); ++i) {
      const double n = static_cast<double>(i);
      step.spring_values.push_back({n / 1000.0, (n + 2 * s) / 1000.0, 100.0 * n + s});
    }
    f.steps.push_back(std::move(step));
  }
}

// Nodal stresses by the plain procedure: per node, elements ascending, corners
// ascending, corner values extrapolated with the solver's factor.
std::vector<double> reference_stress(const ListingFixture& f, const ListingStep& step,
                                     std::size_t node_count) {
  static constexpr int opposite[8] = {6, 7, 4, 5, 2, 3, 0, 1};
  std::vector<double> stress(node_count * 7, 0.0);
  for (std::size_t i = 1; i <= node_count; ++i) {
    double sums[7] = {};
    int n = 0;
    for (std::size_t e = 0; e < f.elements.size(); ++e) {
      for (int k = 0; k < 8; ++k) {
        if (f.elements[e].nodes[static_cast<std::size_t>(k)] != static_cast<std::int32_t>(i)) {
          continue;
        }
        for (int c = 0; c < 7; ++c) {
          const double g =
              step.element_values[e][static_cast<std::size_t>(k)][static_cast<std::size_t>(c)];
          const double o = step.element_values[e][static_cast<std::size_t>(opposite[k])]
                                              [static_cast<std::size_t>(c)];
          sums[c] += (g - o) * 0.3660254193280634 + g;
        }
        ++n;
      }
    }
    for (int c = 0; c < 7; ++c)
      stress[(i - 1) * 7 + static_cast<std::size_t>(c)] = n == 0 ? 0.0 : sums[c] / n;
  }
  return stress;
}

ListingFixture one_element() {
  ListingFixture f;
  f.title = "acceptance case one element";
  add_block(f, 1, 1, 1);
  f.nodes[1] = {1, 1.5, 0.0, 0.0};
  f.nodes[7] = {7, 1.5, 2.0, 0.5};
  f.loads = {{2, 1, 1, 150.0}, {7, 3, 1, -2500.0}};
  add_exact_steps(f, 1);
  return f;
}

void expect_steps_match(const ListingFixture& f, const ListingModel& m) {
  ASSERT_EQ(m.steps.step_count(), static_cast<std::int32_t>(f.steps.size()));
  for (std::size_t s = 0; s < f.steps.size(); ++s) {
    const StepTables tables = step_tables(m, static_cast<std::int32_t>(s + 1));
    const ListingStep& step = f.steps[s];
    for (std::size_t i = 0; i < f.nodes.size(); ++i) {
      for (std::size_t v = 0; v < 4; ++v) {
        ASSERT_EQ(tables.node_result[i * 4 + v], step.node_values[i][v])
            << "step " << s + 1 << " node " << i + 1 << " value " << v + 1;
      }
    }
    const std::vector<double> expected = reference_stress(f, step, f.nodes.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      // Bit for bit: the sums are formed in the same order.
      ASSERT_EQ(tables.node_stress[i], expected[i]) << "step " << s + 1 << " entry " << i;
    }
  }
}

TEST(LoadListing, OneElementModel) {
  const ListingFixture f = one_element();
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.node_capacity, 8);
  EXPECT_EQ(m.element_capacity, 1);
  EXPECT_EQ(m.interface_count, 0);
  EXPECT_EQ(m.discrete_flag, 0);
  EXPECT_EQ(m.step_count, 1);
  EXPECT_EQ(m.load_case_count, 1);
  EXPECT_EQ(m.point_load_count, 2);
  EXPECT_EQ(m.temperature_flag, 0);
  EXPECT_EQ(m.node_count, 8);
  EXPECT_EQ(m.zone_count, 1);
  EXPECT_EQ(m.zone_element_counts, std::vector<std::int32_t>{1});
  EXPECT_EQ(m.element_zone, std::vector<std::int32_t>{1});
  EXPECT_EQ(m.node_constraint, (std::vector<std::int32_t>{0, 1, 0, 0, 0, 0, 0, 7}));
  EXPECT_EQ(m.node_x[1], 1.5);
  EXPECT_EQ(m.node_y[7], 2.0);
  EXPECT_EQ(m.node_z[7], 0.5);
  EXPECT_EQ(m.element_nodes[0], (ElementCorners{1, 2, 4, 3, 5, 6, 8, 7}));
  EXPECT_EQ(m.element_material, std::vector<std::int32_t>{1});
  std::vector<double> loads(24, 0.0);
  loads[1 * 3 + 0] = 150.0;
  loads[6 * 3 + 2] = -2500.0;
  EXPECT_EQ(m.nodal_loads, loads);
  EXPECT_EQ(m.node_temperature, std::vector<double>(8, 0.0));
  expect_steps_match(f, m);
}

// Paged tables: 50 rows are one last page, 51 rows a full page and one row.
class PagedTables : public ::testing::TestWithParam<int> {};

TEST_P(PagedTables, NodalPointsHexahedraAndNodalPrintout) {
  const int elements = GetParam();
  ListingFixture f;
  add_block(f, elements, 1, 1);  // 4 * (elements + 1) nodes
  for (std::size_t i = 0; i < f.nodes.size(); ++i) f.nodes[i].constraint = static_cast<int>(i % 8);
  f.loads = {{static_cast<std::int32_t>(f.nodes.size()), 2, 1, 3.5}};
  // The profile lists every node.
  for (std::size_t i = 1; i <= f.nodes.size(); ++i) {
    f.temperatures.push_back({static_cast<std::int32_t>(i), 10.0, 0.5 * static_cast<double>(i)});
  }
  add_exact_steps(f, 2);
  const ListingModel m = load_fixture(f);
  ASSERT_EQ(m.element_capacity, elements);
  for (std::size_t i = 0; i < f.nodes.size(); ++i) {
    ASSERT_EQ(m.node_constraint[i], f.nodes[i].constraint);
    ASSERT_EQ(m.node_x[i], f.nodes[i].x);
    ASSERT_EQ(m.node_y[i], f.nodes[i].y);
    ASSERT_EQ(m.node_z[i], f.nodes[i].z);
  }
  for (std::size_t e = 0; e < f.elements.size(); ++e)
    ASSERT_EQ(m.element_nodes[e], f.elements[e].nodes);
  // The sections after the tables are still found where they are.
  EXPECT_EQ(m.nodal_loads[(f.nodes.size() - 1) * 3 + 1], 3.5);
  EXPECT_EQ(m.node_temperature[0], 10.5);
  EXPECT_EQ(m.node_temperature.back(), 10.0 + 0.5 * static_cast<double>(f.nodes.size()));
  expect_steps_match(f, m);
}

// 49/50/51 elements; 50 nodes exactly (a 12 x 1 x 1 block has 52 nodes, so
// add the 50-node case below).
INSTANTIATE_TEST_SUITE_P(Rows, PagedTables, ::testing::Values(1, 11, 12, 49, 50, 51, 101));

TEST(LoadListing, FiftyAndFiftyOneNodes) {
  for (std::size_t nodes : {50u, 51u, 100u, 101u}) {
    ListingFixture f;
    for (std::size_t i = 0; i < nodes; ++i) f.nodes.push_back({0, double(i), 1.0, 2.0});
    ListingStep step;
    for (std::size_t i = 0; i < nodes; ++i) step.node_values.push_back({i / 100.0, 0.0, 1.0, 2.0});
    step.element_values.resize(1);  // read (and dropped) even without elements
    f.steps.push_back(step);
    const ListingModel m = load_fixture(f);
    ASSERT_EQ(m.node_x.size(), nodes);
    EXPECT_EQ(m.node_x.back(), double(nodes - 1));
    EXPECT_EQ(m.node_count, static_cast<std::int32_t>(nodes));
    EXPECT_EQ(m.zone_count, 0);
    const StepTables t = step_tables(m, 1);
    EXPECT_EQ(t.node_result[(nodes - 1) * 4], (nodes - 1) / 100.0);
    // No element: every stress is 0.
    EXPECT_EQ(t.node_stress, std::vector<double>(nodes * 7, 0.0));
  }
}

// The text with columns [column, column + replacement.size()) of line
// `number` replaced.
std::string replace_columns(const std::string& text, long number, std::size_t column,
                            const std::string& replacement) {
  std::size_t start = 0;
  for (long n = 1; n < number; ++n) start = text.find('\n', start) + 1;
  std::string result = text;
  result.replace(start + column, replacement.size(), replacement);
  return result;
}

TEST(LoadListing, ConversionErrorNamesLineColumnsAndText) {
  const std::string text = write_listing_text(one_element());
  const long line = line_of(text, "number of nodal points");
  const std::string bad = replace_columns(text, line, 60, "12a45");
  EXPECT_EQ(load_error(bad), "n3dhsp, line " + std::to_string(line) +
                                 ": cannot read an integer from \"12a45\" (columns 61-65)");
}

TEST(LoadListing, ConversionErrorInPrintoutRows) {
  const std::string text = write_listing_text(one_element());
  const long nodal = line_of(text, "n o d a l   p r") + 3;  // 2 heading lines, then row 1
  // A value of a time step that does not convert leaves the step unreadable.
  const std::string unreadable = "; time step 1 of the 1 that control card 3 announces cannot be "
                                 "read; no step is complete (--partial writes the model files)";
  EXPECT_EQ(load_error(replace_columns(text, nodal, 6, "   0.7x000E-02")),
            "n3dhsp, line " + std::to_string(nodal) +
                ": cannot read a real from \"   0.7x000E-02\" (columns 7-20)" + unreadable);
  const long element = line_of(text, "   gauss  3");
  EXPECT_EQ(load_error(replace_columns(text, element, 18, "  0.1.0E+03")),
            "n3dhsp, line " + std::to_string(element) +
                ": cannot read a real from \"  0.1.0E+03\" (columns 19-29)" + unreadable);
  const long node = line_of(text, "NODAL POINT data") + 4;
  EXPECT_EQ(load_error(replace_columns(text, node, 8, "      x1")),
            "n3dhsp, line " + std::to_string(node) +
                ": cannot read an integer from \"      x1\" (columns 9-16)");
}

TEST(LoadListing, EndOfFileInsideATableEndsTheRun) {
  const ListingFixture f = one_element();
  std::string text = write_listing_text(f);
  text.resize(text.find("   gauss  5"));
  const std::string error = load_error(text);
  EXPECT_NE(error.find("n3dhsp, line"), std::string::npos) << error;
  EXPECT_NE(error.find("end of file"), std::string::npos) << error;
}

TEST(LoadListing, EmptyListingEndsAtTheFirstSearch) {
  EXPECT_EQ(load_error(""), "n3dhsp, line 1: end of file while reading the title block");
}

TEST(LoadListing, MissingTitleBlockStillLoads) {
  // The title search uses up its 10000 lines; the control cards follow them.
  ListingFixture f = one_element();
  f.omit.title_block = true;
  const std::string text =
      insert_before(write_listing_text(f), " input control information", filler_lines(10000));
  const ListingModel m = load_text(text);
  EXPECT_EQ(m.node_capacity, 8);
  expect_steps_match(f, m);
}

TEST(LoadListing, MissingTitleBlockLeavesPageBreaksUnseen) {
  ListingFixture f;
  add_block(f, 2, 1, 1);
  add_exact_steps(f, 1);
  f.element_page_size = 1;  // the title line follows element 1
  f.omit.title_block = true;
  const std::string text =
      insert_before(write_listing_text(f), " input control information", filler_lines(10000));
  // Element 2's rows are taken from the page heading lines.
  const std::string error = load_error(text);
  EXPECT_NE(error.find("cannot read an integer from \" result\" (columns 1-7)"), std::string::npos)
      << error;
}

TEST(LoadListing, MissingSectionsEndTheRunAtEndOfFile) {
  // The search for the missing card reads past everything that follows it.
  ListingFixture f = one_element();
  f.omit.control_card_7 = true;
  const std::string text = write_listing_text(f);
  const long lines = line_of(text, "analysis completed");
  EXPECT_EQ(load_error(text), "n3dhsp, line " + std::to_string(lines + 1) +
                                  ": end of file while reading control card 7");
}

TEST(LoadListing, MissingControlCardLeavesItsCountsZero) {
  ListingFixture f = one_element();
  for (int n = 1; n <= 8; ++n) f.temperatures.push_back({n, 1.0, 2.0});
  f.omit.control_card_7 = true;
  const std::string text =
      insert_before(write_listing_text(f), " NODAL POINT data", filler_lines(10000));
  const ListingModel m = load_text(text);
  EXPECT_EQ(m.temperature_flag, 0);
  EXPECT_EQ(m.node_temperature, std::vector<double>(8, 0.0));
  EXPECT_EQ(m.node_x[1], 1.5);
  expect_steps_match(f, m);
}

TEST(LoadListing, MissingNodalPrintoutLeavesItsValuesZero) {
  ListingFixture f = one_element();
  add_exact_steps(f, 1);
  f.steps[1].nodal_printout = false;
  // Lines for the block's nodal printout search to use up before the
  // element printout.
  const std::string padded = insert_before(
      write_listing_text(f), " e l e m e n t   s t r e s s e s   f o r   t i m e   s t e p      2",
      filler_lines(30000));
  const ListingModel m = load_text(padded);
  const StepTables t = step_tables(m, 2);
  EXPECT_EQ(t.node_result, std::vector<double>(32, 0.0));
  // The stresses of the block are read as usual.
  EXPECT_EQ(t.node_stress, reference_stress(f, f.steps[1], 8));
}

TEST(LoadListing, MissingElementPrintoutGivesZeroStresses) {
  ListingFixture f = one_element();
  add_exact_steps(f, 1);
  f.steps[0].element_printout = false;
  const std::string text =
      insert_before(write_listing_text(f), "results for time step     2", filler_lines(30000));
  const ListingModel m = load_text(text);
  EXPECT_EQ(step_tables(m, 1).node_stress, std::vector<double>(56, 0.0));
  EXPECT_EQ(step_tables(m, 1).node_result[0], f.steps[0].node_values[0][0]);
  EXPECT_EQ(step_tables(m, 2).node_stress, reference_stress(f, f.steps[1], 8));
}

TEST(LoadListing, TwoBodiesAreTwoZones) {
  ListingFixture f;
  add_block(f, 2, 1, 1);
  add_block(f, 1, 1, 1, 5.0);
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.zone_count, 2);
  EXPECT_EQ(m.element_zone, (std::vector<std::int32_t>{1, 1, 2}));
  EXPECT_EQ(m.zone_element_counts, (std::vector<std::int32_t>{2, 1}));
}

TEST(LoadListing, LoneElementIsAZoneAlsoAsElementOne) {
  ListingFixture f;
  add_block(f, 1, 1, 1, -5.0);  // element 1 alone
  add_block(f, 2, 1, 1);
  add_block(f, 1, 1, 1, 10.0);  // element 4 alone
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.zone_count, 3);
  EXPECT_EQ(m.element_zone, (std::vector<std::int32_t>{1, 2, 2, 3}));
  EXPECT_EQ(m.zone_element_counts, (std::vector<std::int32_t>{1, 2, 1}));
}

TEST(LoadListing, ZonesNumberedByLowestElement) {
  // Elements of two bodies interleaved: 1 and 3 meet, 2 and 4 meet.
  ListingFixture f;
  add_block(f, 2, 1, 1);
  add_block(f, 2, 1, 1, 10.0);
  std::swap(f.elements[1], f.elements[2]);
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.element_zone, (std::vector<std::int32_t>{1, 2, 1, 2}));
  EXPECT_EQ(m.zone_element_counts, (std::vector<std::int32_t>{2, 2}));
}

struct RangeCase {
  const char* name;
  void (*spoil)(ListingFixture&);
  const char* row_marker;  // text of the line the message must name
  const char* message;
};

ListingFixture full_model() {
  ListingFixture f;
  add_block(f, 2, 1, 1);
  f.nodes.push_back({0, 9.0, 9.0, 9.0});  // node 13: springs only
  f.spring_types = {{1000.0, 1}, {250.0, 3}};
  f.springs = {{1, 13, 1, 2.0}, {2, 13, 2, 0.5}};
  f.interfaces.push_back({{{1, 2, 5, 4}}, {{7, 8, 11, 10}, {8, 9, 12, 11}}});
  f.load_case_count = 2;
  f.loads = {{3, 2, 2, 7.5}};
  // The profile lists every node, here in reverse order.
  for (int n = 13; n >= 1; --n) f.temperatures.push_back({n, 1.0 * n, 2.0});
  add_exact_steps(f, 1);
  return f;
}

const RangeCase range_cases[] = {
    {"ElementNodeZero", [](ListingFixture& f) { f.elements[1].nodes[3] = 0; },
     "      2      1       2       3", "node number 0 is outside the nodal points (1..13)"},
    {"ElementNodeAboveCapacity", [](ListingFixture& f) { f.elements[0].nodes[7] = 14; },
     "      1      1       1       2", "node number 14 is outside the nodal points (1..13)"},
    {"SpringNode", [](ListingFixture& f) { f.springs[1].node2 = 99; },
     "            2      2     99", "spring node 99 is outside the nodal points (1..13)"},
    {"SpringType", [](ListingFixture& f) { f.springs[0].type = 3; },
     "            1      1     13      3",
     "spring type 3 is outside the spring-damper types (1..2)"},
    {"SegmentNode", [](ListingFixture& f) { f.interfaces[0].slave[1][2] = -4; },
     "      2        8        9       -4", "segment node -4 is outside the nodal points (1..13)"},
    {"LoadNode", [](ListingFixture& f) { f.loads[0].node = 14; }, "       14          2        2",
     "load node 14 is outside the nodal points (1..13)"},
    {"LoadDirectionZero", [](ListingFixture& f) { f.loads[0].direction = 0; },
     "        3          0        2", "load direction 0 is outside the directions (1..3)"},
    {"LoadDirectionFour", [](ListingFixture& f) { f.loads[0].direction = 4; },
     "        3          4        2", "load direction 4 is outside the directions (1..3)"},
    {"LoadCase", [](ListingFixture& f) { f.loads[0].load_case = 3; },
     "        3          2        3", "load case 3 is outside the load cases (1..2)"},
    {"TemperatureNode", [](ListingFixture& f) { f.temperatures[1].node = 0; },
     "        0     0.1200000E+02", "temperature node 0 is outside the nodal points (1..13)"},
};

class OutOfRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(OutOfRange, EndsTheRunNamingTheLine) {
  ListingFixture f = full_model();
  GetParam().spoil(f);
  const std::string text = write_listing_text(f);
  const long line = line_of(text, GetParam().row_marker);
  ASSERT_GT(line, 0) << text;
  EXPECT_EQ(load_error(text), "n3dhsp, line " + std::to_string(line) + ": " + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Listing, OutOfRange, ::testing::ValuesIn(range_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadListing, FullModelLoads) {
  const ListingFixture f = full_model();
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.discrete_flag, 1);
  EXPECT_EQ(m.spring_type_count, 2);
  EXPECT_EQ(m.spring_count, 2);
  // Node 13 belongs to springs only: not counted.
  EXPECT_EQ(m.node_count, 12);
  EXPECT_EQ(m.spring_node1, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(m.spring_node2, (std::vector<std::int32_t>{13, 13}));
  EXPECT_EQ(m.spring_type_direction, (std::vector<std::int32_t>{1, 3}));
  EXPECT_EQ(m.spring_direction, (std::vector<std::int32_t>{1, 3}));
  EXPECT_EQ(m.spring_type_stiffness, (std::vector<double>{1000.0, 250.0}));
  EXPECT_EQ(m.spring_stiffness, (std::vector<double>{2000.0, 125.0}));
  ASSERT_EQ(m.interface_segments.size(), 1u);
  EXPECT_EQ(m.interface_segments[0][0], (std::vector<Segment>{{1, 2, 5, 4}}));
  EXPECT_EQ(m.interface_segments[0][1], (std::vector<Segment>{{7, 8, 11, 10}, {8, 9, 12, 11}}));
  std::vector<double> loads(13 * 6, 0.0);
  loads[2 * 6 + 3 + 1] = 7.5;  // node 3, load case 2, direction y
  EXPECT_EQ(m.nodal_loads, loads);
  EXPECT_EQ(m.node_temperature[12], 15.0);
  EXPECT_EQ(m.node_temperature[0], 3.0);
  EXPECT_EQ(m.spring_force, (std::vector<double>{101.0, 201.0}));
  EXPECT_EQ(m.spring_deflection[0], 3 / 1000.0 - 1 / 1000.0);
  expect_steps_match(f, m);
}

TEST(LoadListing, WithoutSpringsNodeCountIsNodeCapacity) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  f.nodes.push_back({0, 5.0, 5.0, 5.0});
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.discrete_flag, 0);
  EXPECT_EQ(m.node_count, 9);
  EXPECT_TRUE(m.spring_node1.empty());
}

TEST(LoadListing, MoreSegmentsThanElementsEndsTheRun) {
  ListingFixture f = full_model();
  f.interfaces[0].master.assign(3, Segment{1, 2, 5, 4});  // 2 elements
  const std::string text = write_listing_text(f);
  const long line = line_of(text, "number of master segments");
  EXPECT_EQ(load_error(text), "n3dhsp, line " + std::to_string(line) +
                                  ": more master segments (3) than hexahedron elements (2)");
}

TEST(LoadListing, InterfaceSlaveCountIsPrintedFirst) {
  ListingFixture f;
  add_block(f, 3, 2, 1);
  std::vector<Segment> master, slave;
  for (int i = 0; i < 5; ++i) master.push_back({i + 1, i + 2, i + 3, i + 4});
  for (int i = 0; i < 3; ++i) slave.push_back({20 - i, 19 - i, 18 - i, 17 - i});
  f.interfaces.push_back({master, slave});
  f.interfaces.push_back({slave, master});
  const ListingModel m = load_fixture(f);
  ASSERT_EQ(m.interface_segments.size(), 2u);
  EXPECT_EQ(m.interface_segments[0][0], master);
  EXPECT_EQ(m.interface_segments[0][1], slave);
  EXPECT_EQ(m.interface_segments[1][0], slave);
  EXPECT_EQ(m.interface_segments[1][1], master);
}

TEST(LoadListing, DuplicateLoadRowsKeepTheLastValue) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  f.load_case_count = 3;
  f.loads = {{4, 3, 2, 1.0}, {4, 3, 2, -6.5}, {8, 1, 3, 2.0}, {1, 2, 1, 4.0}};
  const ListingModel m = load_fixture(f);
  std::vector<double> loads(8 * 9, 0.0);
  loads[3 * 9 + 3 + 2] = -6.5;
  loads[7 * 9 + 6 + 0] = 2.0;
  loads[0 * 9 + 0 + 1] = 4.0;
  EXPECT_EQ(m.nodal_loads, loads);
}

TEST(LoadListing, TemperatureRowsGoToTheirNode) {
  ListingFixture f;
  add_block(f, 12, 1, 1);  // 52 nodes: the profile has a second page
  for (int n = 52; n >= 1; --n) f.temperatures.push_back({n, 100.0 + n, 0.25});
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.temperature_flag, 1);
  for (int n = 1; n <= 52; ++n) ASSERT_EQ(m.node_temperature[n - 1], 100.25 + n) << n;
}

class SpringPrintout : public ::testing::TestWithParam<int> {};

TEST_P(SpringPrintout, PagesOfFortyAndTableOfFifty) {
  const int springs = GetParam();
  ListingFixture f;
  add_block(f, 1, 1, 1);
  const int first_free = static_cast<int>(f.nodes.size()) + 1;
  for (int i = 0; i < springs; ++i) f.nodes.push_back({0, double(i), 0.0, 3.0});
  f.spring_types = {{100.0, 2}};
  for (int i = 0; i < springs; ++i) f.springs.push_back({1 + i % 8, first_free + i, 1, 1.0 + i});
  add_exact_steps(f, 3);
  const ListingModel m = load_fixture(f);
  ASSERT_EQ(m.spring_count, springs);
  EXPECT_EQ(m.node_count, 8);
  for (int i = 0; i < springs; ++i) {
    ASSERT_EQ(m.spring_node2[static_cast<std::size_t>(i)], first_free + i);
    ASSERT_EQ(m.spring_stiffness[static_cast<std::size_t>(i)], 100.0 * (1.0 + i));
    // The values of the last block read.
    ASSERT_EQ(m.spring_force[static_cast<std::size_t>(i)], 100.0 * (i + 1) + 3);
    ASSERT_EQ(m.spring_deflection[static_cast<std::size_t>(i)],
              (i + 1 + 6) / 1000.0 - (i + 1) / 1000.0);
  }
  expect_steps_match(f, m);
}

INSTANTIATE_TEST_SUITE_P(Springs, SpringPrintout, ::testing::Values(1, 39, 40, 41, 50, 51, 81));

TEST(LoadListing, MissingDiscreteKeyIsReadAnyway) {
  ListingFixture f = full_model();
  // The key line gone, and lines in its place for the search to use up (it
  // starts at the 2 blank lines after the hexahedra): the counts are read from
  // the lines after them.
  const std::string text =
      replace_line(write_listing_text(f), " DISCRETE ELEMENT control", filler_lines(998));
  const ListingModel m = load_text(text);
  EXPECT_EQ(m.spring_count, 2);
  EXPECT_EQ(m.spring_stiffness, (std::vector<double>{2000.0, 125.0}));
}

class ElementPages : public ::testing::TestWithParam<int> {};

TEST_P(ElementPages, PageBreaksRecognisedByTheTitleLine) {
  ListingFixture f;
  add_block(f, 7, 1, 1);
  add_block(f, 2, 1, 1, 20.0);
  f.element_page_size = GetParam();
  add_exact_steps(f, 2);
  expect_steps_match(f, load_fixture(f));
}

INSTANTIATE_TEST_SUITE_P(PageSizes, ElementPages, ::testing::Values(1, 2, 3, 8, 9, 100));

TEST(LoadListing, ElementCapacityOne) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  f.spring_types = {{5.0, 1}};
  f.springs = {{1, 8, 1, 1.0}};
  add_exact_steps(f, 2);
  const ListingModel m = load_fixture(f);
  expect_steps_match(f, m);
  EXPECT_EQ(m.spring_force[0], 102.0);
}

TEST(LoadListing, NoElementStillReadsOnePrintedElement) {
  // With element_capacity 0 the printout of element 1 is read and dropped.
  ListingFixture f;
  for (int i = 0; i < 3; ++i) f.nodes.push_back({0, double(i), 0.0, 0.0});
  f.steps.resize(2);
  for (ListingStep& step : f.steps) {
    step.node_values.assign(3, {1.0, 2.0, 3.0, 4.0});
    ElementPrintout gauss{};
    gauss[0][0] = 5.0;
    step.element_values = {gauss};
  }
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.element_capacity, 0);
  EXPECT_EQ(m.zone_count, 0);
  EXPECT_TRUE(m.zone_element_counts.empty());
  EXPECT_EQ(m.steps.step_count(), 2);
  EXPECT_EQ(step_tables(m, 2).node_result[3], 4.0);
  EXPECT_EQ(step_tables(m, 2).node_stress, std::vector<double>(21, 0.0));
}

TEST(LoadListing, TenAndTwelveSteps) {
  for (int steps : {10, 12}) {
    ListingFixture f;
    add_block(f, 2, 2, 1);
    add_exact_steps(f, steps);
    const ListingModel m = load_fixture(f);
    EXPECT_EQ(m.step_count, steps);
    expect_steps_match(f, m);
  }
}

TEST(LoadListing, StepCountBelowTheBlocksPrintedReadsOnlyThatMany) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  add_exact_steps(f, 3);
  f.counts.step_count = 2;
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.steps.step_count(), 2);
  f.steps.resize(2);
  expect_steps_match(f, m);
}

TEST(LoadListing, NegativeCountsGiveEmptyTables) {
  ListingFixture f;
  f.counts.node_capacity = -3;
  f.counts.element_capacity = -1;
  f.counts.step_count = -2;
  f.counts.load_case_count = -4;
  const ListingModel m = load_fixture(f);
  EXPECT_EQ(m.node_capacity, -3);
  EXPECT_EQ(m.node_count, -3);
  EXPECT_TRUE(m.node_x.empty());
  EXPECT_TRUE(m.element_nodes.empty());
  EXPECT_TRUE(m.nodal_loads.empty());
  EXPECT_EQ(m.zone_count, 0);
  EXPECT_EQ(m.steps.step_count(), 0);
}

TEST(LoadListing, AbsurdCountsEndTheRunBeforeAllocating) {
  ListingFixture f;
  f.counts.node_capacity = 99999;
  f.counts.load_case_count = 99999;
  const std::string text = write_listing_text(f);
  const long line = line_of(text, "number of concentrated nodal loads");
  const std::string error = load_error(text);
  EXPECT_EQ(error.rfind("n3dhsp, line " + std::to_string(line) +
                            ": the tables for node_capacity 99999, element_capacity 0, "
                            "interface_count 0 and load_case_count 99999 would need ",
                        0),
            0u)
      << error;
}

}  // namespace
}  // namespace meridian::testing

namespace meridian::testing {
namespace {

TEST(LoadListing, MissingDiscretePrintoutKeyIsReadAnyway) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  f.spring_types = {{5.0, 1}};
  f.springs = {{1, 8, 1, 1.0}, {2, 7, 1, 1.0}};
  add_simple_steps(f, 1);
  // The search starts at the 2 blank lines left after the element printout.
  const std::string text =
      replace_line(write_listing_text(f), " d i s c r e t e   e l e m e n t", filler_lines(998));
  const ListingModel m = load_text(text);
  EXPECT_EQ(m.spring_force, (std::vector<double>{101.0, 201.0}));
}

}  // namespace
}  // namespace meridian::testing
