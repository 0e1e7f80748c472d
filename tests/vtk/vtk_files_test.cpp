#include "vtk/vtk_files.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/step_store.hpp"
#include "records/fatal.hpp"
#include "support/case_names.hpp"
#include "support/scratch_test.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

// A model of 10 nodes, 8 of them hexahedron corners: zone 1 holds one
// hexahedron, zone 2 one whose row the listing never printed (node 0) and one
// more; a fourth element row lies beyond the zones. One spring ties node 9 to
// the ground node 10, another names node 11, which does not exist. One
// interface: a master segment and two slave segments, one with node 0.
struct Model {
  static constexpr int points = 10;
  std::vector<double> x, y, z, temperature, loads;
  std::vector<std::int32_t> constraint;
  std::vector<ElementCorners> elements = {{1, 2, 3, 4, 5, 6, 7, 8},
                                          {1, 2, 3, 4, 5, 6, 7, 0},
                                          {2, 3, 4, 1, 6, 7, 8, 5},
                                          {8, 7, 6, 5, 4, 3, 2, 1}};
  std::vector<std::int32_t> material = {4, 5, 6, 7};
  std::vector<std::int32_t> zones = {1, 2};
  std::vector<InterfaceSides> interfaces = {InterfaceSides{
      std::vector<Segment>{{1, 2, 3, 4}}, std::vector<Segment>{{5, 6, 7, 8}, {5, 6, 7, 0}}}};
  std::vector<std::int32_t> spring_node1 = {9, 1}, spring_node2 = {10, 11},
                            spring_direction = {1, 2};
  std::int32_t node_count = 8;  // nodes with stresses in the step files

  Model() {
    for (int i = 0; i < points; ++i) {
      x.push_back(i + 0.125);
      y.push_back(-0.5 * i);
      z.push_back(1e-3 * i);
      temperature.push_back(20.0 + i);
      constraint.push_back(i % 8);
      // Node i, load case k, direction d: 100 i + 10 k + d.
      for (int k = 1; k <= 2; ++k) {
        for (int d = 1; d <= 3; ++d) loads.push_back(100.0 * i + 10.0 * k + d);
      }
    }
  }
  ModelView view() const {
    ModelView v;
    v.node_count = node_count;
    v.load_case_count = 2;
    v.node_x = x;
    v.node_y = y;
    v.node_z = z;
    v.nodal_loads = loads;
    v.node_temperature = temperature;
    v.node_constraint = constraint;
    v.element_nodes = elements;
    v.element_material = material;
    v.zone_element_counts = zones;
    v.interface_segments = interfaces;
    v.spring_node1 = spring_node1;
    v.spring_node2 = spring_node2;
    v.spring_direction = spring_direction;
    return v;
  }
  StepResults results(const StepStore& store) const {
    StepResults r;
    r.node_count = node_count;
    r.node_x = x;
    r.node_y = y;
    r.node_z = z;
    r.element_nodes = elements;
    r.element_material = material;
    r.zone_element_counts = zones;
    r.interface_segments = interfaces;
    r.spring_node1 = spring_node1;
    r.spring_node2 = spring_node2;
    r.spring_direction = spring_direction;
    r.steps = &store;
    return r;
  }
};

// Step s: node i's printout 1000 s + 10 i + c and stresses -(1000 s + 10 i + c) - 0.25.
std::vector<double> step_result(int s) {
  std::vector<double> v;
  for (int i = 0; i < Model::points; ++i) {
    for (int c = 0; c < 4; ++c) v.push_back(1000.0 * s + 10.0 * i + c);
  }
  return v;
}
std::vector<double> step_stress(int s) {
  std::vector<double> v;
  for (int i = 0; i < Model::points; ++i) {
    for (int c = 0; c < 7; ++c) v.push_back(-(1000.0 * s + 10.0 * i + c) - 0.25);
  }
  return v;
}

// ------------------------------------------------------------ reading back

struct Array {
  std::string section, type;
  int components = 1;
  std::string bytes;
};

// The value of the first attribute `name="..."` in `text`.
std::optional<std::string> attribute(const std::string& text, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t from = at + key.size();
  return text.substr(from, text.find('"', from) - from);
}

// A grid file read as VTK reads it: the DataArray elements of the head, each
// array's UInt64 byte count and bytes at its offset in the appended block.
struct Grid {
  long points = -1, cells = -1;
  std::map<std::string, Array> arrays;  // the points' array as "Points"

  explicit Grid(const std::string& file) {
    const std::string opening = "<AppendedData encoding=\"raw\">\n   _";
    const std::size_t at = file.find(opening);
    if (at == std::string::npos) throw std::runtime_error("no appended block");
    const std::size_t base = at + opening.size();
    const std::string head = file.substr(0, base);
    if (const auto n = attribute(head, "NumberOfPoints")) points = std::stol(*n);
    if (const auto n = attribute(head, "NumberOfCells")) cells = std::stol(*n);
    std::string current;
    std::size_t block_end = 0;
    for (std::size_t line = 0; line < head.size();) {
      const std::size_t end = std::min(head.find('\n', line), head.size());
      const std::string text = head.substr(line, end - line);
      line = end + 1;
      for (const char* name : {"PointData", "CellData", "Points", "Cells"}) {
        if (text.find(std::string("<") + name + ">") != std::string::npos) current = name;
      }
      if (text.find("<DataArray ") == std::string::npos) continue;
      const auto type = attribute(text, "type");
      const auto offset_text = attribute(text, "offset");
      if (!type || !offset_text || attribute(text, "format") != "appended") {
        throw std::runtime_error("not an appended array: " + text);
      }
      const auto components = attribute(text, "NumberOfComponents");
      Array a{current, *type, components ? std::stoi(*components) : 1, {}};
      const std::size_t offset = base + std::stoul(*offset_text);
      std::uint64_t count = 0;
      std::memcpy(&count, file.data() + offset, 8);
      a.bytes = file.substr(offset + 8, count);
      block_end = std::max<std::size_t>(block_end, offset + 8 + count);
      const auto name = attribute(text, "Name");
      arrays[name ? *name : "Points"] = a;
    }
    if (file.substr(block_end) != "\n  </AppendedData>\n</VTKFile>\n") {
      throw std::runtime_error("the block is not followed by the closing text alone");
    }
  }
  template <class T>
  std::vector<T> values(const std::string& name) const {
    const std::string& bytes = arrays.at(name).bytes;
    std::vector<T> v(bytes.size() / sizeof(T));
    std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
    return v;
  }
};

// The coordinates of points 1..10, interleaved.
std::vector<double> coordinates(const Model& model) {
  std::vector<double> v;
  for (int i = 0; i < Model::points; ++i) v.insert(v.end(), {model.x[i], model.y[i], model.z[i]});
  return v;
}

class VtkFilesTest : public testing::ScratchTest {};

TEST_F(VtkFilesTest, ModelFileHeadIsExact) {
  write_model_vtk(Model().view(), VtkModelOptions{"spring_stiffness"});
  const std::string file = read_file("model.vtu");
  // Offsets: 10 points (240 bytes), 18 connectivity entries (144), 3 cell
  // offsets (24), 3 types (3), zone and material (12 each), constraint (40),
  // temperature (80), two load cases (240 each), each after its 8-byte count.
  const std::string head =
      testing::records({
          "<?xml version=\"1.0\"?>",
          "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
          "header_type=\"UInt64\">",
          "  <UnstructuredGrid>",
          "    <Piece NumberOfPoints=\"10\" NumberOfCells=\"3\">",
          "      <PointData>",
          "        <DataArray type=\"Int32\" Name=\"constraint\" format=\"appended\" "
          "offset=\"483\"/>",
          "        <DataArray type=\"Float64\" Name=\"spring_stiffness\" format=\"appended\" "
          "offset=\"531\"/>",
          "        <DataArray type=\"Float64\" Name=\"load_1\" NumberOfComponents=\"3\" "
          "format=\"appended\" offset=\"619\"/>",
          "        <DataArray type=\"Float64\" Name=\"load_2\" NumberOfComponents=\"3\" "
          "format=\"appended\" offset=\"867\"/>",
          "      </PointData>",
          "      <CellData>",
          "        <DataArray type=\"Int32\" Name=\"zone\" format=\"appended\" offset=\"443\"/>",
          "        <DataArray type=\"Int32\" Name=\"material\" format=\"appended\" "
          "offset=\"463\"/>",
          "      </CellData>",
          "      <Points>",
          "        <DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"appended\" "
          "offset=\"0\"/>",
          "      </Points>",
          "      <Cells>",
          "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"appended\" "
          "offset=\"248\"/>",
          "        <DataArray type=\"Int64\" Name=\"offsets\" format=\"appended\" offset=\"400\"/>",
          "        <DataArray type=\"UInt8\" Name=\"types\" format=\"appended\" offset=\"432\"/>",
          "      </Cells>",
          "    </Piece>",
          "  </UnstructuredGrid>",
          "  <AppendedData encoding=\"raw\">",
      }, "\n") +
      "   _";
  EXPECT_EQ(file.substr(0, head.size()), head);
  EXPECT_EQ(file.size(), head.size() + 867 + 8 + 240 + 30);
}

TEST_F(VtkFilesTest, ModelFileHoldsEveryNodeHexahedraAndSprings) {
  const Model model;
  write_model_vtk(model.view(), VtkModelOptions{});
  const Grid grid(read_file("model.vtu"));
  EXPECT_EQ(grid.points, 10);
  EXPECT_EQ(grid.cells, 3);
  EXPECT_EQ(grid.values<double>("Points"), coordinates(model));
  EXPECT_EQ(grid.values<std::int64_t>("connectivity"),
            (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 0, 5, 6, 7, 4, 8, 9}));
  EXPECT_EQ(grid.values<std::int64_t>("offsets"), (std::vector<std::int64_t>{8, 16, 18}));
  EXPECT_EQ(grid.values<std::uint8_t>("types"), (std::vector<std::uint8_t>{12, 12, 3}));
  EXPECT_EQ(grid.values<std::int32_t>("zone"), (std::vector<std::int32_t>{1, 2, 0}));
  EXPECT_EQ(grid.values<std::int32_t>("material"), (std::vector<std::int32_t>{4, 6, 0}));
  EXPECT_EQ(grid.values<std::int32_t>("constraint"), model.constraint);
  EXPECT_EQ(grid.values<double>("temperature"), model.temperature);
  for (int k = 1; k <= 2; ++k) {
    std::vector<double> expected;
    for (int i = 0; i < Model::points; ++i) {
      for (int d = 1; d <= 3; ++d) expected.push_back(100.0 * i + 10.0 * k + d);
    }
    const std::string name = "load_" + std::to_string(k);
    EXPECT_EQ(grid.values<double>(name), expected) << name;
    EXPECT_EQ(grid.arrays.at(name).components, 3);
  }
  EXPECT_EQ(grid.arrays.size(), 10u);
}

TEST_F(VtkFilesTest, InterfaceFileHoldsBothSidesAsQuads) {
  const Model model;
  write_model_vtk(model.view(), VtkModelOptions{});
  const Grid grid(read_file("model_interfaces.vtu"));
  EXPECT_EQ(grid.points, 10);
  EXPECT_EQ(grid.cells, 2);
  EXPECT_EQ(grid.values<double>("Points"), coordinates(model));
  EXPECT_EQ(grid.values<std::int64_t>("connectivity"),
            (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(grid.values<std::int64_t>("offsets"), (std::vector<std::int64_t>{4, 8}));
  EXPECT_EQ(grid.values<std::uint8_t>("types"), (std::vector<std::uint8_t>{9, 9}));
  EXPECT_EQ(grid.values<std::int32_t>("interface"), (std::vector<std::int32_t>{1, 1}));
  EXPECT_EQ(grid.values<std::int32_t>("side"), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(grid.arrays.size(), 6u);
}

TEST_F(VtkFilesTest, ModelWithoutInterfacesWritesModelFileOnly) {
  Model model;
  model.interfaces.clear();
  write_model_vtk(model.view(), VtkModelOptions{});
  EXPECT_EQ(directory_names(), std::vector<std::string>{"model.vtu"});
}

TEST_F(VtkFilesTest, StepFilesHoldEachStepsValuesAndZeroStressBeyondNodeCount) {
  const Model model;
  const StepStore store(Model::points);
  VtkSteps steps(model.results(store));
  for (int s = 1; s <= 2; ++s) steps.write_step(s, step_result(s), step_stress(s));
  for (int s = 1; s <= 2; ++s) {
    SCOPED_TRACE(s);
    const Grid grid(read_file("model_stress_0000" + std::to_string(s) + ".vtu"));
    EXPECT_EQ(grid.points, 10);
    EXPECT_EQ(grid.cells, 2);
    EXPECT_EQ(grid.values<double>("Points"), coordinates(model));
    EXPECT_EQ(grid.values<std::int64_t>("connectivity"),
              (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 0, 5, 6, 7, 4}));
    EXPECT_EQ(grid.values<std::int64_t>("offsets"), (std::vector<std::int64_t>{8, 16}));
    EXPECT_EQ(grid.values<std::uint8_t>("types"), (std::vector<std::uint8_t>{12, 12}));
    EXPECT_EQ(grid.values<std::int32_t>("zone"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(grid.values<std::int32_t>("material"), (std::vector<std::int32_t>{4, 6}));
    std::vector<double> displacement, stress, effective, temperature;
    for (int i = 0; i < Model::points; ++i) {
      const double r = 1000.0 * s + 10.0 * i;
      displacement.insert(displacement.end(), {r, r + 1, r + 2});
      temperature.push_back(r + 3);
      for (int c = 0; c < 6; ++c) stress.push_back(i < 8 ? -(r + c) - 0.25 : 0.0);
      effective.push_back(i < 8 ? -(r + 6) - 0.25 : 0.0);
    }
    EXPECT_EQ(grid.values<double>("displacement"), displacement);
    EXPECT_EQ(grid.values<double>("stress"), stress);
    EXPECT_EQ(grid.values<double>("effective_stress"), effective);
    EXPECT_EQ(grid.values<double>("temperature"), temperature);
    EXPECT_EQ(grid.arrays.at("displacement").section, "PointData");
    EXPECT_EQ(grid.arrays.at("stress").components, 6);
    EXPECT_EQ(grid.arrays.at("zone").section, "CellData");
    EXPECT_EQ(grid.arrays.size(), 10u);
  }
}

TEST_F(VtkFilesTest, CollectionNamesEveryStepFileWithItsNumber) {
  const Model model;
  const StepStore store(Model::points);
  VtkSteps steps(model.results(store));
  for (const int s : {1, 12345, 123456}) steps.write_step(s, step_result(s), step_stress(s));
  steps.write_collection();
  EXPECT_EQ(read_file("model_stress.pvd"),
            testing::records({
                "<?xml version=\"1.0\"?>",
                "<VTKFile type=\"Collection\" version=\"1.0\" byte_order=\"LittleEndian\" "
                "header_type=\"UInt64\">",
                "  <Collection>",
                "    <DataSet timestep=\"1\" part=\"0\" file=\"model_stress_00001.vtu\"/>",
                "    <DataSet timestep=\"12345\" part=\"0\" file=\"model_stress_12345.vtu\"/>",
                "    <DataSet timestep=\"123456\" part=\"0\" file=\"model_stress_123456.vtu\"/>",
                "  </Collection>",
                "</VTKFile>",
            }, "\n"));
  EXPECT_EQ(directory_names(),
            (std::vector<std::string>{"model_stress.pvd", "model_stress_00001.vtu",
                                      "model_stress_12345.vtu", "model_stress_123456.vtu"}));
}

TEST_F(VtkFilesTest, NoStepWritesNoFile) {
  const Model model;
  const StepStore store(Model::points);
  VtkSteps steps(model.results(store));
  steps.write_collection();
  EXPECT_TRUE(directory_names().empty());
}

// ------------------------------------------------------------ bad tables

// A model and the tables of its step 3, spoilt one way.
struct Spoilt {
  Model model;
  std::vector<double> result = step_result(3), stress = step_stress(3);
};

struct BadCase {
  const char* name;
  const char* file;  // named in the message
  std::function<void(Spoilt&)> spoil;
  bool model_file;  // true: write_model_vtk, false: the step file of step 3
};

class VtkBadTablesTest : public testing::ScratchTest,
                         public ::testing::WithParamInterface<BadCase> {};

TEST_P(VtkBadTablesTest, EndsTheRunNamingTheFileAndWritesNothing) {
  Spoilt tables;
  GetParam().spoil(tables);
  const StepStore store(Model::points);
  try {
    if (GetParam().model_file) {
      write_model_vtk(tables.model.view(), VtkModelOptions{});
    } else {
      VtkSteps steps(tables.model.results(store));
      steps.write_step(3, tables.result, tables.stress);
    }
    ADD_FAILURE() << "no error";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(GetParam().file, 0), 0u) << error.what();
  }
  EXPECT_TRUE(directory_names().empty());
}

// clang-format off
constexpr const char* model = "model.vtu";
constexpr const char* steps = "model_stress_NNNNN.vtu";
constexpr const char* step3 = "model_stress_00003.vtu";
const BadCase bad_cases[] = {
    {"short_y",                model, [](Spoilt& t) { t.model.y.pop_back(); },           true},
    {"short_z",                steps, [](Spoilt& t) { t.model.z.pop_back(); },           false},
    {"short_temperature",      model, [](Spoilt& t) { t.model.temperature.pop_back(); }, true},
    {"short_constraint",       model, [](Spoilt& t) { t.model.constraint.pop_back(); },  true},
    {"short_loads",            model, [](Spoilt& t) { t.model.loads.pop_back(); },       true},
    {"negative_zone",          model, [](Spoilt& t) { t.model.zones = {-1, 2}; },        true},
    {"zones_past_elements",    steps, [](Spoilt& t) { t.model.zones = {3, 2}; },         false},
    {"short_materials",        model, [](Spoilt& t) { t.model.material.resize(2); },     true},
    {"node_count_past_points", steps, [](Spoilt& t) { t.model.node_count = 11; },        false},
    // A row short of the points, of node_count's stresses.
    {"short_step_printout",    step3, [](Spoilt& t) { t.result.pop_back(); },            false},
    {"short_step_stresses",    step3, [](Spoilt& t) { t.stress.resize(8 * 7 - 1); },     false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Tables, VtkBadTablesTest, ::testing::ValuesIn(bad_cases),
                         testing::CaseName());

}  // namespace
}  // namespace meridian
