#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "results/extract_records.hpp"
#include "results/path_extracts.hpp"
#include "results/run_tables.hpp"
#include "support/scratch_dir.hpp"

namespace meridian {
namespace {

using testing::read_file;
using testing::records;
using testing::RunTables;
using testing::write_step_results;
using testing::ScratchDir;

const std::string header =
    "              node,x,y,z,displace,xx,yy,zz,stress,xx,yy,zz,xy,yz,zx,mises";

// Node tables of one step, owned by the test.
struct Nodes {
  std::vector<double> x, y, z, result, stress;

  std::int32_t add(double nx, double ny, double nz) {
    x.push_back(nx);
    y.push_back(ny);
    z.push_back(nz);
    result.insert(result.end(), 4, 0.0);
    stress.insert(stress.end(), 7, 0.0);
    return static_cast<std::int32_t>(x.size());
  }
  StepTables view() const {
    return StepTables{x, y, z, result, stress, static_cast<std::int32_t>(x.size())};
  }
};

// Everything written to an in-memory file so far.
std::string text(OutputFile& out) {
  out.flush();
  return out.contents();
}

// A short picture of an extract file: titles as they are, the header as "H",
// each row as its node number, each block end as "|", records separated by ";".
std::string outline(const std::string& text) {
  std::string picture;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return picture + "<no record end>";
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    if (line == " ") {
      picture += "|";
    } else if (line == header) {
      picture += "H;";
    } else if (line.size() == 280 && line[5] == ',') {
      picture += std::to_string(std::stoi(line.substr(0, 5))) + ";";
    } else {
      picture += line + ";";
    }
  }
  return picture;
}

TEST(NodeRow, ColumnsAndWidths) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  const std::int32_t node = nodes.add(1.0, -2.5, 0.0);
  nodes.result[4] = 0.001;
  nodes.result[5] = 0.0;
  nodes.result[6] = -0.5;
  nodes.result[7] = 9.0;  // temperature: not in the row
  for (int c = 0; c < 7; ++c) nodes.stress[7 + c] = c + 1.0;
  OutputFile out = OutputFile::in_memory("rows");
  write_node_row(out, nodes.view(), node);
  const std::string expected =
      "    2,      0.10000000E+01,     -0.25000000E+01,      0.00000000E+00,"
      ",      0.10000000E-02,      0.00000000E+00,     -0.50000000E+00,"
      ",      0.10000000E+01,      0.20000000E+01,      0.30000000E+01,      0.40000000E+01,"
      "      0.50000000E+01,      0.60000000E+01,      0.70000000E+01\r\n";
  EXPECT_EQ(text(out).size(), 282u);
  EXPECT_EQ(text(out), expected);
}

TEST(ExtractRecords, HeaderTitlesAndBlockEnd) {
  OutputFile out = OutputFile::in_memory("records");
  write_block_title(out, "interface,", 1, 2);
  write_block_title(out, "material type,", 12, 1);
  write_block_title(out, "interface,", 100, 1);
  write_extract_header(out);
  write_block_end(out);
  EXPECT_EQ(text(out), records({"interface, 1, 2", "material type,12, 1", "interface,**, 1",
                                std::string(14, ' ') +
                                    "node,x,y,z,displace,xx,yy,zz,stress,xx,yy,zz,xy,yz,zx,mises",
                                " "}));
  EXPECT_EQ(header.size(), 73u);
}

// The selection procedure: the earliest strictly smallest key is exchanged into
// each position in turn, which may reorder entries of equal keys.
struct SelectionCase {
  std::vector<double> keys;  // key of node i+1
  std::vector<std::int32_t> list, ordered;
};

void PrintTo(const SelectionCase& c, std::ostream* out) {
  *out << "list of " << c.list.size() << " with keys";
  for (const double key : c.keys) *out << ' ' << key;
}

class Selection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(Selection, Order) {
  SelectionCase c = GetParam();
  order_by_selection(c.list, c.keys);
  EXPECT_EQ(c.list, c.ordered);
}

INSTANTIATE_TEST_SUITE_P(
    ExtractRecords, Selection,
    ::testing::Values(SelectionCase{{}, {}, {}}, SelectionCase{{5.0}, {1}, {1}},
                      SelectionCase{{2.0, 0.0, 1.0}, {1, 2, 3}, {2, 3, 1}},
                      // Equal keys: 1 and 2 share key 1; the exchange of 3 into
                      // position 1 moves node 1 past node 2.
                      SelectionCase{{1.0, 1.0, 0.0}, {1, 2, 3}, {3, 2, 1}},
                      SelectionCase{{2.0, 1.0, 2.0, 1.0}, {1, 2, 3, 4}, {2, 4, 3, 1}},
                      SelectionCase{{3.0, 3.0, 3.0}, {3, 1, 2}, {3, 1, 2}},
                      SelectionCase{{-1.0, 4.0, 0.5, -7.0}, {2, 1, 4, 3}, {4, 1, 3, 2}}));

// A flat 3 x 3 node grid at z = 1, x = ix, y = iy, node 1 + ix + 3 iy, as four
// quadrilaterals.
struct FlatSide {
  Nodes nodes;
  std::vector<Segment> segments;
  FlatSide() {
    for (int iy = 0; iy < 3; ++iy) {
      for (int ix = 0; ix < 3; ++ix) nodes.add(ix, iy, 1.0);
    }
    auto n = [](int ix, int iy) { return 1 + ix + 3 * iy; };
    for (int iy = 0; iy < 2; ++iy) {
      for (int ix = 0; ix < 2; ++ix) {
        segments.push_back({n(ix, iy), n(ix + 1, iy), n(ix + 1, iy + 1), n(ix, iy + 1)});
      }
    }
  }
};

TEST(EdgePaths, FlatTwoByTwoSide) {
  FlatSide side;
  const std::vector<InterfaceSides> interfaces = {{side.segments, {}}};
  OutputFile out = OutputFile::in_memory("edge_node_1.csv");
  write_edge_paths(out, side.nodes.view(), interfaces);
  // Largest x by y, largest y by x, smallest x by y, smallest y by x; corners in
  // two lists, the centre (node 5) in none. The empty slave side has its title,
  // header and four block ends.
  EXPECT_EQ(outline(text(out)),
            "interface, 1, 1;H;3;6;9;|7;8;9;|1;4;7;|1;2;3;|interface, 1, 2;H;||||");
}

TEST(EdgePaths, WholeFileBytes) {
  FlatSide side;
  side.nodes.result[(9 - 1) * 4 + 0] = -0.25;
  side.nodes.stress[(9 - 1) * 7 + 6] = 12.5;
  // One segment of the corner cell: every node is a boundary node.
  const std::vector<InterfaceSides> interfaces = {{std::vector<Segment>{{5, 6, 9, 8}}, {}}};
  OutputFile out = OutputFile::in_memory("edge_node_1.csv");
  write_edge_paths(out, side.nodes.view(), interfaces);
  auto row = [](const char* node, const char* x, const char* y, const char* dx, const char* mises) {
    std::string r = std::string(node) + "," + x + "," + y + ",      0.10000000E+01,," + dx +
                    ",      0.00000000E+00,      0.00000000E+00,";
    for (int c = 0; c < 6; ++c) r += ",      0.00000000E+00";
    return r + "," + mises;
  };
  const char* zero = "      0.00000000E+00";
  const char* one = "      0.10000000E+01";
  const char* two = "      0.20000000E+01";
  const std::string r5 = row("    5", one, one, zero, zero);
  const std::string r6 = row("    6", two, one, zero, zero);
  const std::string r8 = row("    8", one, two, zero, zero);
  const std::string r9 = row("    9", two, two, "     -0.25000000E+00", "      0.12500000E+02");
  EXPECT_EQ(
      text(out),
      records({"interface, 1, 1", header, r6,  r9,  " ", r8, r9, " ", r5, r8, " ", r5, r6, " ",
               "interface, 1, 2", header, " ", " ", " ", " "}));
}

TEST(EdgePaths, ToleranceBoundary) {
  Nodes nodes;
  const std::int32_t a = nodes.add(0.0, 0.0, 0.0);
  const std::int32_t b = nodes.add(1.0, 0.0, 0.0);
  const std::int32_t c = nodes.add(0.995, 0.5, 0.0);  // 0.005 from xmax: listed
  const std::int32_t d = nodes.add(0.99, 1.0, 0.0);   // 0.01 from xmax: not in list 1
  const std::vector<InterfaceSides> interfaces = {{std::vector<Segment>{{a, b, c, d}}, {}}};
  OutputFile out = OutputFile::in_memory("edge");
  write_edge_paths(out, nodes.view(), interfaces);
  EXPECT_EQ(outline(text(out)), "interface, 1, 1;H;2;3;|4;|1;|1;2;|interface, 1, 2;H;||||");
}

TEST(EdgePaths, JustInsideTheSinglePrecisionTolerance) {
  Nodes nodes;
  const std::int32_t a = nodes.add(0.0, 0.0, 0.0);
  const std::int32_t b = nodes.add(1.0, 0.0, 0.0);
  // 1 - 0.0099999997 is within 0.009999999776482582 of 1 ...
  const std::int32_t c = nodes.add(1.0 - 0.0099999997, 0.5, 0.0);
  // ... 1 - 0.00999999978 is not (the tolerance is not 0.01 itself: both are
  // nearer than 0.01).
  const std::int32_t d = nodes.add(1.0 - 0.00999999978, 0.7, 0.0);
  const std::int32_t e = nodes.add(0.5, 1.0, 0.0);
  const std::vector<InterfaceSides> interfaces = {
      {std::vector<Segment>{{a, b, c, d}, {d, e, a, a}}, {}}};
  OutputFile out = OutputFile::in_memory("edge");
  write_edge_paths(out, nodes.view(), interfaces);
  EXPECT_EQ(outline(text(out)).substr(0, 32), "interface, 1, 1;H;2;3;|5;|1;|1;2");
}

TEST(EdgePaths, InteriorCountsEveryCornerEntryOfTheSide) {
  // Node 1 appears 4 times in one degenerate segment: interior, never listed.
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  nodes.add(1.0, 1.0, 0.0);
  const std::vector<InterfaceSides> interfaces = {
      {std::vector<Segment>{{1, 1, 2, 1}, {2, 2, 2, 1}}, {}}};
  OutputFile out = OutputFile::in_memory("edge");
  write_edge_paths(out, nodes.view(), interfaces);
  EXPECT_EQ(outline(text(out)), "interface, 1, 1;H;||||interface, 1, 2;H;||||");
}

TEST(EdgePaths, LongSideLosesNoNode) {
  // A strip of 500 segments along x: 1002 nodes, all on the boundary.
  Nodes nodes;
  std::vector<Segment> strip;
  for (int i = 0; i <= 500; ++i) {
    nodes.add(i, 0.0, 0.0);
    nodes.add(i, 1.0, 0.0);
  }
  for (int i = 0; i < 500; ++i) strip.push_back({2 * i + 1, 2 * i + 3, 2 * i + 4, 2 * i + 2});
  const std::vector<InterfaceSides> interfaces = {{strip, strip}};
  OutputFile out = OutputFile::in_memory("edge");
  write_edge_paths(out, nodes.view(), interfaces);
  std::string expected_side = "H;1001;1002;|";
  for (int i = 0; i <= 500; ++i) expected_side += std::to_string(2 * i + 2) + ";";
  expected_side += "|1;2;|";
  for (int i = 0; i <= 500; ++i) expected_side += std::to_string(2 * i + 1) + ";";
  expected_side += "|";
  EXPECT_TRUE(outline(text(out)) ==
              "interface, 1, 1;" + expected_side + "interface, 1, 2;" + expected_side);
}

TEST(DiagonalPaths, ExactEqualityInOrderOfFirstAppearance) {
  Nodes nodes;
  nodes.add(1.0, 1.0, 5.0);        // 1: listed
  nodes.add(1.0, 1.0000001, 0.0);  // 2: not listed
  nodes.add(0.0, 0.0, 0.0);        // 3: listed
  nodes.add(2.0, 3.0, 0.0);        // 4: not listed
  nodes.add(-1.0, -1.0, 0.0);      // 5: listed
  const std::vector<InterfaceSides> interfaces = {
      {std::vector<Segment>{{3, 2, 1, 4}, {1, 5, 3, 5}}, std::vector<Segment>{{4, 4, 2, 2}}},
      {std::vector<Segment>{}, std::vector<Segment>{{5, 1, 1, 1}}}};
  OutputFile out = OutputFile::in_memory("diagonal");
  write_interface_diagonals(out, nodes.view(), interfaces);
  EXPECT_EQ(
      outline(text(out)),
      "interface, 1, 1;H;3;1;5;|interface, 1, 2;H;|interface, 2, 1;H;|interface, 2, 2;H;5;1;|");
}

TEST(InterfacePaths, NodeNumbersOutsideTheTablesEndTheRun) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  for (const std::int32_t bad : {0, 2, -1}) {
    const std::vector<InterfaceSides> interfaces = {
        InterfaceSides{std::vector<Segment>{}, std::vector<Segment>{{1, 1, bad, 1}}}};
    OutputFile edge = OutputFile::in_memory("edge_node_1.csv");
    EXPECT_THROW(write_edge_paths(edge, nodes.view(), interfaces), FatalError);
    OutputFile diagonal = OutputFile::in_memory("diagonal_node_1.csv");
    EXPECT_THROW(write_interface_diagonals(diagonal, nodes.view(), interfaces), FatalError);
  }
}

// ---- material paths ----

struct Materials {
  std::vector<ElementCorners> elements;
  std::vector<std::int32_t> material;
  MaterialElements view() const { return MaterialElements{elements, material}; }
};

TEST(MaterialDiagonals, BlocksPerMaterial) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);  // 1: origin
  nodes.add(1.0, 1.0, 0.0);  // 2: diagonal
  nodes.add(1.0, 1.0, 1.0);  // 3: above the base plane
  nodes.add(2.0, 1.0, 0.0);  // 4: off the diagonal
  nodes.add(2.0, 2.0, 0.0);  // 5: diagonal
  Materials m;
  m.elements = {{5, 2, 4, 2, 3, 3, 3, 3},   // material 2
                {3, 3, 3, 3, 4, 4, 4, 4},   // material 1: no base-plane diagonal node
                {1, 2, 1, 2, 1, 2, 1, 2},   // material 2 again: 2 once more, 1 new
                {2, 1, 3, 3, 3, 3, 3, 3},   // material 4
                {1, 1, 1, 1, 1, 1, 1, 1}};  // material 0: not a material
  m.material = {2, 1, 2, 4, 0};
  OutputFile out = OutputFile::in_memory("diagonal");
  write_material_diagonals(out, nodes.view(), m.view());
  EXPECT_EQ(outline(text(out)), "material type, 2, 1;H;5;2;1;|material type, 4, 1;H;2;1;|");
}

TEST(MaterialDiagonals, NoElementsNoBlocks) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  OutputFile out = OutputFile::in_memory("diagonal");
  write_material_diagonals(out, nodes.view(), Materials{}.view());
  EXPECT_EQ(text(out), "");
}

TEST(AxisLines, OrderedAlongEachLine) {
  Nodes nodes;
  nodes.add(2.0, 0.0, 0.0);   // 1: line 1
  nodes.add(0.0, 0.0, 0.0);   // 2: origin, both lines
  nodes.add(1.0, 0.0, 0.0);   // 3: line 1
  nodes.add(0.0, 3.0, 0.0);   // 4: line 2
  nodes.add(0.0, 1.0, 0.0);   // 5: line 2
  nodes.add(1.0, 0.0, 0.5);   // 6: above the base plane
  nodes.add(1.0, 1.0, 0.0);   // 7: on no line
  nodes.add(0.0, -1.0, 0.0);  // 8: line 2
  Materials m;
  m.elements = {{1, 2, 3, 6, 7, 7, 7, 7},   // material 1
                {4, 5, 2, 7, 7, 7, 7, 7},   // material 1
                {7, 6, 7, 6, 7, 6, 7, 6},   // material 2: nothing on the lines
                {4, 8, 7, 7, 7, 7, 7, 7}};  // material 3: line 2 only
  m.material = {1, 1, 2, 3};
  OutputFile out = OutputFile::in_memory("line_node_1.csv");
  write_axis_lines(out, nodes.view(), m.view());
  EXPECT_EQ(outline(text(out)),
            "material type, 1, 1;H;2;3;1;|material type, 1, 1;H;2;5;4;|"
            "material type, 3, 1;H;8;4;|");
}

TEST(AxisLines, EqualKeysFollowTheExchanges) {
  // Three nodes at x = 1, 1, 0 on y = 0 (coincident nodes 1 and 2): the
  // exchange of node 3 into the first position moves node 1 behind node 2.
  Nodes nodes;
  nodes.add(1.0, 0.0, 0.0);
  nodes.add(1.0, 0.0, 0.0);
  nodes.add(0.0, 0.0, 0.0);
  Materials m;
  m.elements = {{1, 2, 3, 3, 3, 3, 3, 3}};
  m.material = {1};
  OutputFile out = OutputFile::in_memory("line");
  write_axis_lines(out, nodes.view(), m.view());
  EXPECT_EQ(outline(text(out)), "material type, 1, 1;H;3;2;1;|material type, 1, 1;H;3;|");
}

TEST(MaterialPaths, ShortMaterialTableOrBadNodeEndsTheRun) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  Materials m;
  m.elements = {{1, 1, 1, 1, 1, 1, 1, 1}};
  OutputFile out = OutputFile::in_memory("line");
  EXPECT_THROW(write_axis_lines(out, nodes.view(), m.view()), FatalError);
  m.material = {1};
  m.elements[0][7] = 2;
  EXPECT_THROW(write_axis_lines(out, nodes.view(), m.view()), FatalError);
  EXPECT_THROW(write_material_diagonals(out, nodes.view(), m.view()), FatalError);
}

// ---- spring extract ----

const std::string spring_header =
    "spring,node1,x,y,z,node2,x,y,z,direction,displacement,stiffness,deflection,force";

TEST(SpringExtract, WholeFile) {
  Nodes nodes;
  nodes.add(1.0, 0.0, 0.0);
  nodes.add(1.0, 2.0, 0.0);
  nodes.result = {0.0, 0.1, 0.0, 7.0, 0.0, 0.3, 0.0, 9.0};
  const std::vector<std::int32_t> node1 = {1, 2}, node2 = {2, 2}, direction = {2, 4};
  const std::vector<double> stiffness = {250.0, 0.0}, deflection = {-0.5, 0.0},
                            force = {1e-120, -1.0};
  OutputFile out = OutputFile::in_memory("spring_1.csv");
  write_spring_extract(out, nodes.view(),
                       SpringTables{node1, node2, direction, stiffness, deflection, force});
  const std::string zero = "    0.0000000000E+00";
  const std::string one = "    0.1000000000E+01";
  const std::string node2_position = ",    2," + one + ",    0.2300000000E+01," + zero;
  EXPECT_EQ(spring_header.size(), 80u);
  EXPECT_EQ(text(out),
            records({spring_header,
                     "    1,    1," + one + ",    0.1000000000E+00," + zero + node2_position +
                         ",    2,    0.2000000000E+00,    0.2500000000E+03,   -0.5000000000E+00,"
                         "    0.1000000000-119",
                     "    2" + node2_position + node2_position + ",    4," + zero + "," + zero +
                         "," + zero + ",   -0.1000000000E+01"}));
}

struct DirectionCase {
  std::int32_t direction;
  const char* displacement;
};

void PrintTo(const DirectionCase& c, std::ostream* out) { *out << "direction " << c.direction; }

class SpringDirections : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(SpringDirections, DisplacementColumn) {
  const DirectionCase& c = GetParam();
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  nodes.add(0.0, 0.0, 0.0);
  // Second minus first: x 0.5, y 0.2, z -1.5; temperatures differ by 100.
  nodes.result = {0.5, 0.1, 2.0, 10.0, 1.0, 0.3, 0.5, 110.0};
  const std::vector<std::int32_t> node1 = {1}, node2 = {2}, direction = {c.direction};
  const std::vector<double> values = {0.0};
  OutputFile out = OutputFile::in_memory("spring");
  write_spring_extract(out, nodes.view(),
                       SpringTables{node1, node2, direction, values, values, values});
  const std::string row = text(out).substr(spring_header.size() + 2);
  ASSERT_EQ(row.size(), 235u);
  EXPECT_EQ(row.substr(5 + 2 * 69 + 6, 21), std::string(",") + c.displacement);
}

INSTANTIATE_TEST_SUITE_P(SpringExtract, SpringDirections,
                         ::testing::Values(DirectionCase{1, "    0.5000000000E+00"},
                                           DirectionCase{2, "    0.2000000000E+00"},
                                           DirectionCase{3, "   -0.1500000000E+01"},
                                           DirectionCase{0, "    0.0000000000E+00"},
                                           DirectionCase{4, "    0.0000000000E+00"},
                                           DirectionCase{7, "    0.0000000000E+00"},
                                           DirectionCase{-2, "    0.0000000000E+00"}));

TEST(SpringExtract, NoSpringsHeaderOnlyAndBadNodesEndTheRun) {
  Nodes nodes;
  nodes.add(0.0, 0.0, 0.0);
  OutputFile out = OutputFile::in_memory("spring");
  write_spring_extract(out, nodes.view(), SpringTables{});
  EXPECT_EQ(text(out), records({spring_header}));
  const std::vector<std::int32_t> one = {1}, bad = {2}, direction = {1};
  const std::vector<double> values = {0.0};
  OutputFile again = OutputFile::in_memory("spring");
  EXPECT_THROW(write_spring_extract(again, nodes.view(),
                                    SpringTables{one, bad, direction, values, values, values}),
               FatalError);
  EXPECT_THROW(write_spring_extract(again, nodes.view(),
                                    SpringTables{bad, one, direction, values, values, values}),
               FatalError);
}

// ---- through write_step_results ----

TEST(StepExtracts, SpringValuesRepeatAndPositionsMoveEveryStep) {
  ScratchDir dir;
  RunTables run(2);
  run.x = {0.0, 1.0};
  run.zones = {0};
  run.spring_node1 = {1};
  run.spring_node2 = {2};
  run.spring_direction = {1};
  run.stiffness = {3.0};
  run.deflection = {0.25};
  run.force = {-4.0};
  run.add_step(std::vector<double>(8, 0.0), std::vector<double>(14, 0.0));
  run.add_step({0.0, 0.0, 0.0, 0.0, 0.5, 0.0, 0.0, 0.0}, std::vector<double>(14, 0.0));
  write_step_results(run.view(), {false, false, true, true});
  const std::string zero = "    0.0000000000E+00";
  const std::string tail = ",    0.3000000000E+01,    0.2500000000E+00,   -0.4000000000E+01";
  EXPECT_EQ(read_file("spring_1.csv"),
            records({spring_header, "    1,    1," + zero + "," + zero + "," + zero +
                                        ",    2,    0.1000000000E+01," + zero + "," + zero +
                                        ",    1," + zero + tail}));
  EXPECT_EQ(read_file("spring_2.csv"),
            records({spring_header, "    1,    1," + zero + "," + zero + "," + zero +
                                        ",    2,    0.1500000000E+01," + zero + "," + zero +
                                        ",    1,    0.5000000000E+00" + tail}));
  // Both nodes lie on y = 0 but belong to no element: the line file is empty.
  EXPECT_EQ(read_file("line_node_1.csv"), "");
}

TEST(StepExtracts, DiagonalFileUsesTheStepsStresses) {
  ScratchDir dir;
  RunTables run(1);
  run.elements = {{1, 1, 1, 1, 1, 1, 1, 1}};
  run.materials = {3};
  run.zones = {1};
  std::vector<double> stress(7, 0.0);
  stress[6] = 2.0;
  run.add_step({0.0, 0.0, 0.0, 0.0}, stress);
  stress[6] = -2.0;
  run.add_step({0.0, 0.0, 0.0, 0.0}, stress);
  write_step_results(run.view(), {false, true, false, false});
  const std::string row =
      "    1,      0.00000000E+00,      0.00000000E+00,      0.00000000E+00,,"
      "      0.00000000E+00,      0.00000000E+00,      0.00000000E+00,,"
      "      0.00000000E+00,      0.00000000E+00,      0.00000000E+00,"
      "      0.00000000E+00,      0.00000000E+00,      0.00000000E+00,";
  EXPECT_EQ(read_file("diagonal_node_1.csv"),
            records({"material type, 3, 1", header, row + "      0.20000000E+01", " "}));
  EXPECT_EQ(read_file("diagonal_node_2.csv"),
            records({"material type, 3, 1", header, row + "     -0.20000000E+01", " "}));
}

}  // namespace
}  // namespace meridian
