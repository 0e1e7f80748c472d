#include "results/step_results.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "model/file_names.hpp"
#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "records/files.hpp"
#include "records/ordered_blocks.hpp"
#include "results/extract_records.hpp"
#include "results/path_extracts.hpp"
#include "views/tecplot_records.hpp"
#include "vtk/vtk_files.hpp"

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
  auto field = [&p](double value) { p = render_separated_exponent(p, ' ', 20, 13, value); };
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

constexpr std::string_view stress_file_pattern = "model_stress_<c>.dat";

void write_stress_file(OutputFile& out, const StepResults& results, const StepTables& step,
                       const BrickZones& zones, const std::string& element_records,
                       std::string& nodes) {
  out.write_record("TITLE=\"Model_STRESS\"");
  out.write_record(
      "VARIABLES=\"X\",\"Y\",\"Z\",\"XX\",\"YY\",\"ZZ\",\"XY\",\"YZ\",\"ZX\",\"MISES\","
      "\"TEMPERATURE\"");
  const std::int32_t node_count = std::max(results.node_count, 0);
  const double factor = results.deformation_scale * 100.0;
  std::string unused;  // the element records are given
  write_brick_zones(
      out, zones,
      [&](const TakeBytes& sink) { render_stress_nodes(results, step, factor, node_count, sink); },
      &element_records, nodes, unused);
}

// The tables must cover what the files will index: the written nodes, the
// zones' elements.
void check_tables(const StepResults& results, const BrickZones& zones, std::int32_t node_limit) {
  if (results.node_count > node_limit) {
    fail_file(stress_file_pattern, "the node tables hold fewer rows than the nodes to write");
  }
  check_brick_zones(zones);
}

}  // namespace

void write_step_results(const StepResults& results, const StepOutputs& outputs,
                        const StepVisitor& visit) {
  if (results.steps == nullptr || results.steps->step_count() <= 0) return;
  const StepStore& store = *results.steps;
  const std::size_t capacity = static_cast<std::size_t>(std::max(store.node_capacity(), 0));
  const std::size_t node_limit =
      std::min({results.node_x.size(), results.node_y.size(), results.node_z.size(), capacity});
  const BrickZones zones{stress_file_pattern, results.node_count, node_bytes,
                         results.zone_element_counts, results.element_nodes};
  check_tables(results, zones, static_cast<std::int32_t>(node_limit));

  const bool interfaces = !results.interface_segments.empty();
  const MaterialElements elements{results.element_nodes, results.element_material};
  const SpringTables springs{results.spring_node1,      results.spring_node2,
                             results.spring_direction,  results.spring_stiffness,
                             results.spring_deflection, results.spring_force};

  std::vector<double> node_result;
  std::vector<double> node_stress;
  std::string nodes;
  const std::string element_records = render_brick_records(zones);
  std::optional<VtkSteps> vtk;
  if (outputs.vtk) vtk.emplace(results);
  for (std::int32_t s = 1; s <= store.step_count(); ++s) {
    store.load(s, node_result, node_stress);
    if (node_result.size() < node_limit * 4 || node_stress.size() < node_limit * 7) {
      fail_file(stress_file_pattern, "a stored step holds fewer nodes than the model");
    }
    if (visit) visit(s, node_result, node_stress);
    const StepTables step{results.node_x, results.node_y, results.node_z,
                          node_result,    node_stress,    static_cast<std::int32_t>(node_limit)};
    const std::string suffix = step_suffix(s, outputs.names.steps);
    PlacedFiles* const placed = outputs.names.placed;
    OutputFile stress_file =
        OutputFile::create_replacing("model_stress_" + suffix + ".dat", placed);
    // At most one path extract: edge paths, diagonal paths or axis lines.
    std::optional<OutputFile> path_file;
    std::optional<OutputFile> spring_file;
    if (outputs.edge_paths && interfaces) {
      path_file.emplace(OutputFile::create_replacing("edge_node_" + suffix + ".csv", placed));
      write_edge_paths(*path_file, step, results.interface_segments);
    } else if (outputs.diagonal_paths) {
      path_file.emplace(OutputFile::create_replacing("diagonal_node_" + suffix + ".csv", placed));
      if (interfaces) {
        write_interface_diagonals(*path_file, step, results.interface_segments);
      } else {
        write_material_diagonals(*path_file, step, elements);
      }
    } else if (outputs.axis_lines) {
      path_file.emplace(OutputFile::create_replacing("line_node_" + suffix + ".csv", placed));
      write_axis_lines(*path_file, step, elements);
    }
    if (outputs.springs) {
      spring_file.emplace(OutputFile::create_replacing("spring_" + suffix + ".csv", placed));
      write_spring_extract(*spring_file, step, springs);
    }
    write_stress_file(stress_file, results, step, zones, element_records, nodes);
    stress_file.close();
    if (path_file) path_file->close();
    if (spring_file) spring_file->close();
    if (vtk) vtk->write_step(s, node_result, node_stress);
  }
  if (vtk) vtk->write_collection();
}

}  // namespace meridian
