#include "results/step_results.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "records/files.hpp"
#include "records/ordered_blocks.hpp"
#include "results/extract_records.hpp"
#include "results/path_extracts.hpp"
#include "views/tecplot_records.hpp"

namespace meridian {
namespace {

// Nodes rendered per block (about 1 MB of records).
constexpr std::size_t block_nodes = 4096;
// Below this many nodes a second rendering thread costs more than it saves.
constexpr std::int32_t split_nodes = 2048;
// One node-values write: (E20.13,8(1X,E20.13)) reused for 11 values gives a
// record of 188 columns and one of 42, each with its CR LF.
constexpr std::size_t node_bytes = 188 + 2 + 42 + 2;

// Renders the stress-file node records of nodes first..last (1-based) of one
// step at `p` (node_bytes per node).
void render_node_range(const StepResults& results, const StepTables& step, double factor,
                       std::int32_t first, std::int32_t last, char* p) {
  auto field = [&p](double value) {
    *p = ' ';
    render_exponent(p + 1, 20, 13, value);
    p += 21;
  };
  for (std::int32_t node = first; node <= last; ++node) {
    const std::size_t i = static_cast<std::size_t>(node - 1);
    const double* result = step.node_result.data() + i * 4;
    const double* stress = step.node_stress.data() + i * 7;
    // Each product and sum is rounded on its own (no fused multiply-add).
    const double scaled_x = factor * result[0];
    const double scaled_y = factor * result[1];
    const double scaled_z = factor * result[2];
    render_exponent(p, 20, 13, results.node_x[i] + scaled_x);
    p += 20;
    field(results.node_y[i] + scaled_y);
    field(results.node_z[i] + scaled_z);
    for (int c = 0; c < 6; ++c) field(stress[c]);
    *p++ = '\r';
    *p++ = '\n';
    field(stress[6]);
    field(result[3]);
    *p++ = '\r';
    *p++ = '\n';
  }
}

// Renders the node records of all nodes, on two threads in blocks, and hands
// them to `sink` in node order. Every node record has the same size and goes
// to its own place, so the bytes are those of a rendering in one thread.
void render_stress_nodes(const StepResults& results, const StepTables& step, double factor,
                         std::int32_t node_count, const TakeBytes& sink) {
  const OrderedBlocks plan{static_cast<std::size_t>(node_count), node_bytes, block_nodes,
                           node_count >= split_nodes};
  render_ordered_blocks(
      plan,
      [&results, &step, factor](std::size_t first, std::size_t last, char* out) {
        render_node_range(results, step, factor, static_cast<std::int32_t>(first) + 1,
                          static_cast<std::int32_t>(last), out);
      },
      sink);
}

// One element record (8(I8)) and its CR LF.
constexpr std::size_t element_bytes = 8 * 8 + 2;

// The element records of all zones, in zone order. They are the same in every
// step's file, so they are rendered once.
std::string render_element_records(const StepResults& results) {
  std::size_t total = 0;
  for (const std::int32_t count : results.zone_element_counts) total += static_cast<std::size_t>(count);
  std::string records;
  records.reserve(total * element_bytes);
  for (std::size_t e = 0; e < total; ++e) {
    append_element_record(records, results.element_nodes[e].data(), 8);
  }
  return records;
}

void write_stress_file(OutputFile& out, const StepResults& results, const StepTables& step,
                       std::string& nodes, std::string_view element_records) {
  out.write_record("TITLE=\"Model_STRESS\"");
  out.write_record(
      "VARIABLES=\"X\",\"Y\",\"Z\",\"XX\",\"YY\",\"ZZ\",\"XY\",\"YZ\",\"ZX\",\"MISES\","
      "\"TEMPERATURE\"");
  const std::int32_t node_count = std::max(results.node_count, 0);
  const double factor = results.deformation_scale * 100.0;
  const std::size_t zone_count = results.zone_element_counts.size();
  // Every zone repeats the same node records: with several zones they are
  // rendered once and the bytes reused; a single zone streams them to the file.
  nodes.clear();
  if (zone_count > 1 && node_count > 0) {
    nodes.reserve(node_bytes * static_cast<std::size_t>(node_count));
    render_stress_nodes(results, step, factor, node_count,
                        [&nodes](std::string_view bytes) { nodes.append(bytes); });
  }
  std::size_t element = 0;
  for (std::size_t z = 0; z < zone_count; ++z) {
    const std::int32_t zone_elements = results.zone_element_counts[z];
    out.write_record(zone_title_record(static_cast<std::int64_t>(z) + 1));
    out.write_record(
        zone_size_record("N=", results.node_count, zone_elements, ",F=FEPOINT,ET=BRICK"));
    if (zone_count > 1) {
      out.write_bytes(nodes);
    } else {
      render_stress_nodes(results, step, factor, node_count,
                          [&out](std::string_view bytes) { out.write_bytes(bytes); });
    }
    const std::size_t bytes = static_cast<std::size_t>(zone_elements) * element_bytes;
    out.write_bytes(element_records.substr(element * element_bytes, bytes));
    element += static_cast<std::size_t>(zone_elements);
  }
}

// The tables must cover what the files will index: the written nodes, the
// zones' elements.
void check_tables(const StepResults& results, std::int32_t node_limit) {
  if (results.node_count > node_limit) {
    fail_file("model_stress_<c>.dat", "the node tables hold fewer rows than the nodes to write");
  }
  std::int64_t element_total = 0;
  for (const std::int32_t count : results.zone_element_counts) {
    if (count < 0) fail_file("model_stress_<c>.dat", "a zone has a negative element count");
    element_total += count;
  }
  if (element_total > static_cast<std::int64_t>(results.element_nodes.size())) {
    fail_file("model_stress_<c>.dat", "the zones hold more elements than the element table");
  }
}

}  // namespace

std::string step_suffix(std::int32_t number) {
  // '1' for 1 on along the character codes, up to '~' for 78; beyond, where
  // the character would not be printable, the decimal number.
  if (number >= 1 && number <= 78) return std::string(1, static_cast<char>('0' + number));
  return std::to_string(number);
}

void write_step_results(const StepResults& results, std::int32_t job_code) {
  if (results.steps == nullptr || results.steps->step_count() <= 0) return;
  const StepStore& store = *results.steps;
  const std::size_t capacity = static_cast<std::size_t>(std::max(store.node_capacity(), 0));
  const std::size_t node_limit =
      std::min({results.node_x.size(), results.node_y.size(), results.node_z.size(), capacity});
  check_tables(results, static_cast<std::int32_t>(node_limit));

  const bool interfaces = !results.interface_segments.empty();
  const MaterialElements elements{results.element_nodes, results.element_material};
  const SpringTables springs{results.spring_node1,      results.spring_node2,
                             results.spring_direction,  results.spring_stiffness,
                             results.spring_deflection, results.spring_force};

  std::vector<double> node_result;
  std::vector<double> node_stress;
  std::string nodes;
  const std::string element_records = render_element_records(results);
  for (std::int32_t s = 1; s <= store.step_count(); ++s) {
    store.load(s, node_result, node_stress);
    if (node_result.size() < node_limit * 4 || node_stress.size() < node_limit * 7) {
      fail_file("model_stress_<c>.dat", "a stored step holds fewer nodes than the model");
    }
    const StepTables step{results.node_x, results.node_y, results.node_z,
                          node_result,    node_stress,    static_cast<std::int32_t>(node_limit)};
    const std::string suffix = step_suffix(s);
    OutputFile stress_file = OutputFile::create("model_stress_" + suffix + ".dat");
    std::optional<OutputFile> path_file;
    std::optional<OutputFile> spring_file;
    if (job_code == 2 && interfaces) {
      path_file.emplace(OutputFile::create("edge_node_" + suffix + ".csv"));
      write_edge_paths(*path_file, step, results.interface_segments);
    } else if (job_code == 3) {
      path_file.emplace(OutputFile::create("diagonal_node_" + suffix + ".csv"));
      if (interfaces) {
        write_interface_diagonals(*path_file, step, results.interface_segments);
      } else {
        write_material_diagonals(*path_file, step, elements);
      }
    } else if (job_code == 6) {
      path_file.emplace(OutputFile::create("line_node_" + suffix + ".csv"));
      spring_file.emplace(OutputFile::create("spring_" + suffix + ".csv"));
      write_spring_extract(*spring_file, step, springs);
      write_axis_lines(*path_file, step, elements);
    }
    write_stress_file(stress_file, results, step, nodes, element_records);
    stress_file.close();
    if (path_file) path_file->close();
    if (spring_file) spring_file->close();
  }
}

}  // namespace meridian
