#include "exodus/exodus_file.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "files/output_file.hpp"
#include "netcdf/big_endian.hpp"
#include "netcdf/netcdf_data_writer.hpp"
#include "netcdf/netcdf_layout.hpp"
#include "netcdf/netcdf_schema.hpp"
#include "records/fatal.hpp"
#include "summary/step_summary.hpp"

namespace meridian {
namespace {

using netcdf::Type;

constexpr std::string_view exodus_name = "model.exo";

// The Exodus II names of what the file holds (exodusII_int.h of the Exodus
// library, which ParaView's and meshio's readers look up).
constexpr std::int32_t maximum_name_length = 32;  // len_name is one more
constexpr std::uint32_t len_string = 33;          // the QA record's strings
constexpr std::uint32_t len_line = 81;            // the title's longest, with its end
constexpr float exodus_version = 8.11F;

constexpr std::array<std::string_view, 11> nodal_variables = {
    "displacement_x", "displacement_y", "displacement_z", "stress_xx",
    "stress_yy",      "stress_zz",      "stress_xy",      "stress_yz",
    "stress_zx",      "effective_stress", "temperature"};
constexpr std::array<std::string_view, 5> global_variables = {
    "max_displacement", "max_effective_stress", "max_ip_effective_stress", "min_temperature",
    "max_temperature"};
constexpr std::array<std::string_view, 6> components = {"xx", "yy", "zz", "xy", "yz", "zx"};
constexpr std::array<std::string_view, 2> spring_variables = {"spring_deflection", "spring_force"};

// The element variables of the material blocks, in the order of a step's
// kept values: for K = 1 to 8, stress_ipK_xx ... stress_ipK_zx, then
// effective_stress_ipK.
std::vector<std::string> point_variables() {
  std::vector<std::string> names;
  for (int k = 1; k <= 8; ++k) {
    for (const std::string_view c : components) names.push_back("stress_ip" + std::to_string(k) + "_" + std::string(c));
    names.push_back("effective_stress_ip" + std::to_string(k));
  }
  return names;
}

// A real as a 4-byte float, a value beyond a float's range held at the
// largest float of its sign.
inline char* put_real(char* at, double value) {
  return netcdf::put_float(at, std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// The same for a run of floats already rounded from the reals (a value
// beyond a float's range is an infinity then): four at a time, in the vector
// extension of GCC and Clang, which the compiler turns into the target's
// SIMD instructions (SSE2 on x86-64); tens of millions of values go through
// here per file.
using Words = std::uint32_t __attribute__((vector_size(16)));
static_assert(std::endian::native == std::endian::little, "the words are swapped to big-endian");

void put_rounded(char* out, const float* values, std::size_t count) {
  constexpr std::uint32_t magnitude = 0x7FFFFFFFu, infinity = 0x7F800000u;
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    Words w;
    std::memcpy(&w, values + i, sizeof w);
    // An infinity's bits less one are the largest float of its sign.
    w += reinterpret_cast<Words>((w & magnitude) == infinity);
    w = (w >> 24) | ((w >> 8) & 0xFF00u) | ((w << 8) & 0xFF0000u) | (w << 24);
    std::memcpy(out + i * 4, &w, sizeof w);
  }
  for (; i < count; ++i) put_real(out + i * 4, values[i]);
}

// Names as a char array of rows of len_name bytes, NUL-padded.
std::string name_rows(const std::vector<std::string>& names, std::size_t width) {
  std::string bytes(names.size() * width, '\0');
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::copy_n(names[i].begin(), std::min(names[i].size(), width - 1), bytes.begin() + static_cast<long>(i * width));
  }
  return bytes;
}

std::string int_values(std::span<const std::int32_t> values) {
  std::string bytes(values.size() * 4, '\0');
  netcdf::put_int32s(bytes.data(), values);
  return bytes;
}

std::string real_values(std::span<const double> values) {
  std::string bytes(values.size() * 4, '\0');
  char* at = bytes.data();
  for (const double v : values) at = put_real(at, v);
  return bytes;
}

// Elements turned from element-major to variable-major at a time.
constexpr std::size_t element_tile = 64;

// One element block: a material's hexahedra or the springs.
struct Block {
  std::int32_t id = 0;
  std::string name;
  bool springs = false;
  std::vector<std::int32_t> members;  // positions (from 0) in the element or spring table
  std::vector<std::size_t> variables;  // its element variables' netCDF numbers
};

}  // namespace

struct ExodusFile::State {
  ExodusModel model;
  std::vector<Block> blocks;
  std::size_t node_total = 0;
  std::size_t time_variable = 0, global_variable = 0;
  std::array<std::size_t, nodal_variables.size()> node_variables{};
  std::optional<netcdf::Layout> layout;
  OutputFile out;
  std::optional<netcdf::DataWriter> data;
  // A step's values of one variable, or of all the element variables of one
  // block: sized once, so that no step fills them anew.
  std::vector<char> slab;
  std::vector<float> rounded;  // values before put_rounded()

  State(const ExodusModel& m, PlacedFiles* placed)
      : model(m), out(OutputFile::create_replacing(std::string(exodus_name), placed)) {}

  void form_blocks();
  // The schema, and the bytes of every fixed variable in the order defined.
  netcdf::Schema define(std::vector<std::pair<std::size_t, std::string>>& fixed);
  void write_reals(std::size_t variable, std::span<const double> values);
};

void ExodusFile::State::form_blocks() {
  node_total = std::min({model.node_x.size(), model.node_y.size(), model.node_z.size()});
  const auto nodes = static_cast<std::int64_t>(node_total);
  const auto drawable = [nodes](std::int32_t node) { return node >= 1 && node <= nodes; };
  std::unordered_map<std::int32_t, std::size_t> block_of;
  const std::size_t elements = std::min(model.element_nodes.size(), model.element_material.size());
  std::int32_t highest = 0;
  for (std::size_t e = 0; e < elements; ++e) {
    // An element with a corner outside the node table cannot be drawn.
    if (!std::all_of(model.element_nodes[e].begin(), model.element_nodes[e].end(), drawable)) continue;
    const std::int32_t material = model.element_material[e];
    const auto [at, added] = block_of.emplace(material, blocks.size());
    if (added) blocks.push_back(Block{material, "material_" + std::to_string(material), false, {}, {}});
    blocks[at->second].members.push_back(static_cast<std::int32_t>(e));
    highest = std::max(highest, material);
  }
  const std::size_t springs = std::min(model.spring_node1.size(), model.spring_node2.size());
  Block spring_block{highest + 1, "springs", true, {}, {}};
  for (std::size_t j = 0; j < springs; ++j) {
    if (drawable(model.spring_node1[j]) && drawable(model.spring_node2[j])) {
      spring_block.members.push_back(static_cast<std::int32_t>(j));
    }
  }
  if (!spring_block.members.empty()) blocks.push_back(std::move(spring_block));
}

netcdf::Schema ExodusFile::State::define(std::vector<std::pair<std::size_t, std::string>>& fixed) {
  netcdf::Schema s;
  const auto count = [](std::size_t n) { return static_cast<std::uint32_t>(n); };
  std::string title(model.title.substr(0, len_line - 1));
  s.add_attribute(netcdf::float_attribute("api_version", std::array<float, 1>{exodus_version}));
  s.add_attribute(netcdf::float_attribute("version", std::array<float, 1>{exodus_version}));
  s.add_attribute(netcdf::int_attribute("floating_point_word_size", std::array<std::int32_t, 1>{4}));
  s.add_attribute(netcdf::int_attribute("file_size", std::array<std::int32_t, 1>{1}));
  s.add_attribute(netcdf::int_attribute("maximum_name_length", std::array<std::int32_t, 1>{maximum_name_length}));
  s.add_attribute(netcdf::int_attribute("int64_status", std::array<std::int32_t, 1>{0}));
  s.add_attribute(netcdf::text_attribute("title", title));

  const std::size_t string_dim = s.add_dimension("len_string", len_string);
  s.add_dimension("len_line", len_line);
  const std::size_t four = s.add_dimension("four", 4);
  const std::size_t name_dim = s.add_dimension("len_name", maximum_name_length + 1);
  const std::size_t name_width = maximum_name_length + 1;
  const std::size_t time = s.add_record_dimension("time_step");
  const std::size_t dims = s.add_dimension("num_dim", 3);
  std::optional<std::size_t> node_dim;
  if (node_total > 0) node_dim = s.add_dimension("num_nodes", count(node_total));
  std::size_t element_total = 0;
  for (const Block& b : blocks) element_total += b.members.size();
  std::optional<std::size_t> element_dim, block_dim;
  if (element_total > 0) {
    element_dim = s.add_dimension("num_elem", count(element_total));
    block_dim = s.add_dimension("num_el_blk", count(blocks.size()));
  }
  const std::size_t qa_dim = s.add_dimension("num_qa_rec", 1);
  std::vector<std::size_t> block_sizes, block_corners;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const std::string n = std::to_string(b + 1);
    block_sizes.push_back(s.add_dimension("num_el_in_blk" + n, count(blocks[b].members.size())));
    block_corners.push_back(s.add_dimension("num_nod_per_el" + n, blocks[b].springs ? 2 : 8));
  }
  const std::size_t nodal_dim = s.add_dimension("num_nod_var", count(nodal_variables.size()));
  // The element variables: the integration points' where there is a
  // material block, the springs' where there is a spring block.
  std::vector<std::string> element_names;
  const bool materials = std::any_of(blocks.begin(), blocks.end(), [](const Block& b) { return !b.springs; });
  const bool springs = !blocks.empty() && blocks.back().springs;
  if (materials) element_names = point_variables();
  const std::size_t first_spring_variable = element_names.size();
  if (springs) element_names.insert(element_names.end(), spring_variables.begin(), spring_variables.end());
  std::optional<std::size_t> element_variable_dim;
  if (!element_names.empty()) element_variable_dim = s.add_dimension("num_elem_var", count(element_names.size()));
  const std::size_t global_dim = s.add_dimension("num_glo_var", count(global_variables.size()));

  const auto add = [&s, &fixed](std::string name, Type type, std::vector<std::size_t> over, std::string bytes) {
    const std::size_t v = s.add_variable(std::move(name), type, std::move(over));
    fixed.emplace_back(v, std::move(bytes));
    return v;
  };
  time_variable = s.add_variable("time_whole", Type::nc_float, {time});
  if (block_dim) {
    std::vector<std::string> names;
    std::vector<std::int32_t> ids;
    for (const Block& b : blocks) {
      names.push_back(b.name);
      ids.push_back(b.id);
    }
    add("eb_names", Type::nc_char, {*block_dim, name_dim}, name_rows(names, name_width));
    add("eb_status", Type::nc_int, {*block_dim}, int_values(std::vector<std::int32_t>(blocks.size(), 1)));
    const std::size_t prop = add("eb_prop1", Type::nc_int, {*block_dim}, int_values(ids));
    s.add_attribute(prop, netcdf::text_attribute("name", "ID"));
  }
  if (node_dim) {
    add("coordx", Type::nc_float, {*node_dim}, real_values(model.node_x.first(node_total)));
    add("coordy", Type::nc_float, {*node_dim}, real_values(model.node_y.first(node_total)));
    add("coordz", Type::nc_float, {*node_dim}, real_values(model.node_z.first(node_total)));
  }
  add("coor_names", Type::nc_char, {dims, name_dim}, name_rows({"x", "y", "z"}, name_width));
  if (node_dim) {
    std::vector<std::int32_t> numbers(node_total);
    for (std::size_t i = 0; i < node_total; ++i) numbers[i] = static_cast<std::int32_t>(i + 1);
    add("node_num_map", Type::nc_int, {*node_dim}, int_values(numbers));
  }
  if (element_dim) {
    // The listing's element numbers; the springs numbered after the last.
    std::vector<std::int32_t> numbers;
    const auto after = static_cast<std::int32_t>(model.element_nodes.size());
    for (const Block& b : blocks) {
      for (const std::int32_t m : b.members) numbers.push_back(b.springs ? after + m + 1 : m + 1);
    }
    add("elem_num_map", Type::nc_int, {*element_dim}, int_values(numbers));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      std::vector<std::int32_t> corners;
      for (const std::int32_t m : blocks[b].members) {
        const auto i = static_cast<std::size_t>(m);
        if (blocks[b].springs) {
          corners.push_back(model.spring_node1[i]);
          corners.push_back(model.spring_node2[i]);
        } else {
          corners.insert(corners.end(), model.element_nodes[i].begin(), model.element_nodes[i].end());
        }
      }
      const std::size_t connect = add("connect" + std::to_string(b + 1), Type::nc_int,
                                      {block_sizes[b], block_corners[b]}, int_values(corners));
      s.add_attribute(connect, netcdf::text_attribute("elem_type", blocks[b].springs ? "BAR2" : "HEX8"));
    }
  }
  // The QA record: the program and its version; no date or time, so that
  // the same listing gives the same bytes.
  add("qa_records", Type::nc_char, {qa_dim, four, string_dim},
      name_rows({"meridian", std::string(model.version), "", ""}, len_string));
  add("name_nod_var", Type::nc_char, {nodal_dim, name_dim},
      name_rows(std::vector<std::string>(nodal_variables.begin(), nodal_variables.end()), name_width));
  if (node_dim) {
    for (std::size_t i = 0; i < nodal_variables.size(); ++i) {
      node_variables[i] = s.add_variable("vals_nod_var" + std::to_string(i + 1), Type::nc_float, {time, *node_dim});
    }
  }
  if (element_variable_dim && block_dim) {
    add("name_elem_var", Type::nc_char, {*element_variable_dim, name_dim}, name_rows(element_names, name_width));
    // The truth table: the integration points' variables on the material
    // blocks, the springs' on the spring block.
    std::vector<std::int32_t> truth;
    for (const Block& b : blocks) {
      for (std::size_t v = 0; v < element_names.size(); ++v) truth.push_back((v >= first_spring_variable) == b.springs);
    }
    add("elem_var_tab", Type::nc_int, {*block_dim, *element_variable_dim}, int_values(truth));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      const std::size_t first = blocks[b].springs ? first_spring_variable : 0;
      const std::size_t last = blocks[b].springs ? element_names.size() : first_spring_variable;
      for (std::size_t v = first; v < last; ++v) {
        blocks[b].variables.push_back(s.add_variable(
            "vals_elem_var" + std::to_string(v + 1) + "eb" + std::to_string(b + 1), Type::nc_float,
            {time, block_sizes[b]}));
      }
    }
  }
  add("name_glo_var", Type::nc_char, {global_dim, name_dim},
      name_rows(std::vector<std::string>(global_variables.begin(), global_variables.end()), name_width));
  global_variable = s.add_variable("vals_glo_var", Type::nc_float, {time, global_dim});
  return s;
}

void ExodusFile::State::write_reals(std::size_t variable, std::span<const double> values) {
  char bytes[4 * global_variables.size()];
  if (values.size() > global_variables.size()) throw std::logic_error("write_reals takes a few values");
  char* at = bytes;
  for (const double v : values) at = put_real(at, v);
  data->write(variable, std::string_view(bytes, values.size() * 4));
}

ExodusFile::ExodusFile(const ExodusModel& model, PlacedFiles* placed)
    : state_(std::make_unique<State>(model, placed)) {
  State& s = *state_;
  s.form_blocks();
  std::vector<std::pair<std::size_t, std::string>> fixed;
  s.layout.emplace(s.define(fixed));
  s.out.write_bytes(s.layout->header_bytes(0));
  s.data.emplace(*s.layout, [&out = s.out](std::string_view bytes) { out.write_bytes(bytes); });
  for (const auto& [variable, bytes] : fixed) s.data->write(variable, bytes);
  std::size_t largest = s.node_total;
  for (const Block& b : s.blocks) largest = std::max(largest, b.members.size() * b.variables.size());
  s.slab.resize(largest * 4);
  s.rounded.resize(std::max(s.node_total, element_point_values * element_tile));
}

ExodusFile::~ExodusFile() = default;

void ExodusFile::add_step(std::int32_t step, const StepValues& values) {
  State& s = *state_;
  const std::size_t nodes = s.node_total;
  if (values.node_result.size() < nodes * 4 || values.node_stress.size() < nodes * 7) {
    fail_file(exodus_name, "a step holds fewer nodes than the model");
  }
  const double time = step;
  s.write_reals(s.time_variable, std::span<const double>(&time, 1));
  char* const slab = s.slab.data();
  if (nodes > 0) {
    for (std::size_t v = 0; v < nodal_variables.size(); ++v) {
      // displacement x, y, z and temperature from the nodal printout, the
      // seven stresses from the averaged ones.
      const bool printed = v < 3 || v == 10;
      const std::size_t stride = printed ? 4 : 7;
      const std::size_t offset = v < 3 ? v : v == 10 ? 3 : v - 3;
      const double* from = (printed ? values.node_result.data() : values.node_stress.data()) + offset;
      float* const rounded = s.rounded.data();
      for (std::size_t i = 0; i < nodes; ++i) rounded[i] = static_cast<float>(from[i * stride]);
      put_rounded(slab, rounded, nodes);
      s.data->write(s.node_variables[v], std::string_view(slab, nodes * 4));
    }
  }
  for (const Block& b : s.blocks) {
    if (b.variables.empty()) continue;
    const std::size_t n = b.members.size();
    if (b.springs) {
      for (std::size_t v = 0; v < b.variables.size(); ++v) {
        const std::vector<double>& table = v == 0 ? values.spring_deflection : values.spring_force;
        for (std::size_t i = 0; i < n; ++i) {
          const auto j = static_cast<std::size_t>(b.members[i]);
          put_real(slab + i * 4, j < table.size() ? table[j] : 0.0);
        }
        s.data->write(b.variables[v], std::string_view(slab, n * 4));
      }
      continue;
    }
    if (values.element_points.size() < s.model.element_nodes.size() * element_point_values) {
      fail_file(exodus_name, "a step keeps the integration-point values of fewer elements than the model");
    }
    // The block's 56 slabs at once, a tile of elements at a time: the
    // tile's values, rounded and turned variable by variable in a buffer the
    // cache holds, then each variable's run of the tile swapped into place.
    float* const rounded = s.rounded.data();
    for (std::size_t first = 0; first < n; first += element_tile) {
      const std::size_t count = std::min(n - first, element_tile);
      for (std::size_t k = 0; k < count; ++k) {
        const double* point = values.element_points.data() +
                              static_cast<std::size_t>(b.members[first + k]) * element_point_values;
        for (std::size_t v = 0; v < element_point_values; ++v) {
          rounded[v * element_tile + k] = static_cast<float>(point[v]);
        }
      }
      for (std::size_t v = 0; v < element_point_values; ++v) {
        put_rounded(slab + (v * n + first) * 4, rounded + v * element_tile, count);
      }
    }
    for (std::size_t v = 0; v < element_point_values; ++v) {
      s.data->write(b.variables[v], std::string_view(slab + v * n * 4, n * 4));
    }
  }
  const StepSummary summary = summarize_step(step, std::min<std::int32_t>(s.model.node_count, static_cast<std::int32_t>(nodes)),
                                             values.node_result, values.node_stress, values.peak);
  const std::array<double, global_variables.size()> globals = {
      summary.max_displacement, summary.max_effective_stress, summary.max_ip_effective_stress.value,
      summary.min_temperature, summary.max_temperature};
  s.write_reals(s.global_variable, globals);
}

void ExodusFile::finish() {
  State& s = *state_;
  const std::uint32_t steps = s.data->finish();
  s.out.write_at(netcdf::numrecs_offset(), netcdf::numrecs_bytes(steps));
  s.out.close();
}

}  // namespace meridian
