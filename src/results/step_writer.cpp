#include "results/step_writer.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/file_names.hpp"
#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "files/output_file.hpp"
#include "files/ordered_blocks.hpp"
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

struct StepWriter::Shared {
  StepResults results;
  StepOutputs outputs;
  std::size_t node_limit = 0;
  BrickZones zones;
  bool interfaces = false;
  MaterialElements elements;
  SpringTables springs;
  std::string element_records;
  std::string nodes;  // the node records of the step being written
  std::optional<VtkSteps> vtk;

  Shared(const StepResults& r, const StepOutputs& o)
      : results(r),
        outputs(o),
        node_limit(std::min({r.node_x.size(), r.node_y.size(), r.node_z.size(),
                             static_cast<std::size_t>(std::max(r.node_capacity, 0))})),
        zones{stress_file_pattern, r.node_count, node_bytes, r.zone_element_counts,
              r.element_nodes},
        interfaces(!r.interface_segments.empty()),
        elements{r.element_nodes, r.element_material},
        springs{r.spring_node1,      r.spring_node2,      r.spring_direction,
                r.spring_stiffness,  r.spring_deflection, r.spring_force} {}
};

StepWriter::StepWriter(const StepResults& results, const StepOutputs& outputs)
    : shared_(std::make_unique<Shared>(results, outputs)) {
  Shared& s = *shared_;
  check_tables(s.results, s.zones, static_cast<std::int32_t>(s.node_limit));
  s.element_records = render_brick_records(s.zones);
  if (outputs.vtk) s.vtk.emplace(s.results, outputs.names.placed);
}

StepWriter::~StepWriter() = default;

void StepWriter::write(std::int32_t step, std::span<const double> node_result,
                       std::span<const double> node_stress) {
  Shared& w = *shared_;
  const StepResults& results = w.results;
  const StepOutputs& outputs = w.outputs;
  if (node_result.size() < w.node_limit * 4 || node_stress.size() < w.node_limit * 7) {
    fail_file(stress_file_pattern, "a stored step holds fewer nodes than the model");
  }
  const StepTables tables{results.node_x, results.node_y, results.node_z,
                          node_result,    node_stress,    static_cast<std::int32_t>(w.node_limit)};
  const std::string suffix = step_suffix(step, outputs.names.steps);
  PlacedFiles* const placed = outputs.names.placed;
  OutputFile stress_file = OutputFile::create_replacing("model_stress_" + suffix + ".dat", placed);
  // At most one path extract: edge paths, diagonal paths or axis lines.
  std::optional<OutputFile> path_file;
  std::optional<OutputFile> spring_file;
  if (outputs.edge_paths && w.interfaces) {
    path_file.emplace(OutputFile::create_replacing("edge_node_" + suffix + ".csv", placed));
    write_edge_paths(*path_file, tables, results.interface_segments);
  } else if (outputs.diagonal_paths) {
    path_file.emplace(OutputFile::create_replacing("diagonal_node_" + suffix + ".csv", placed));
    if (w.interfaces) {
      write_interface_diagonals(*path_file, tables, results.interface_segments);
    } else {
      write_material_diagonals(*path_file, tables, w.elements);
    }
  } else if (outputs.axis_lines) {
    path_file.emplace(OutputFile::create_replacing("line_node_" + suffix + ".csv", placed));
    write_axis_lines(*path_file, tables, w.elements);
  }
  if (outputs.springs) {
    spring_file.emplace(OutputFile::create_replacing("spring_" + suffix + ".csv", placed));
    write_spring_extract(*spring_file, tables, w.springs);
  }
  write_stress_file(stress_file, results, tables, w.zones, w.element_records, w.nodes);
  stress_file.close();
  if (path_file) path_file->close();
  if (spring_file) spring_file->close();
  if (w.vtk) w.vtk->write_step(step, node_result, node_stress);
}

void write_spring_extracts(const StepResults& results, const ResultNames& names,
                           const StepStore& steps) {
  const SpringTables springs{results.spring_node1,      results.spring_node2,
                             results.spring_direction,  results.spring_stiffness,
                             results.spring_deflection, results.spring_force};
  const auto node_limit = static_cast<std::int32_t>(
      std::min({results.node_x.size(), results.node_y.size(), results.node_z.size(),
                static_cast<std::size_t>(std::max(results.node_capacity, 0))}));
  std::vector<double> node_result, node_stress;
  for (std::int32_t step = 1; step <= steps.step_count(); ++step) {
    steps.load(step, node_result, node_stress);
    const StepTables tables{results.node_x, results.node_y, results.node_z,
                            node_result,    node_stress,    node_limit};
    OutputFile file = OutputFile::create_replacing(
        "spring_" + step_suffix(step, names.steps) + ".csv", names.placed);
    write_spring_extract(file, tables, springs);
    file.close();
  }
}

void StepWriter::finish() {
  if (shared_->vtk) shared_->vtk->write_collection();
}

}  // namespace meridian
