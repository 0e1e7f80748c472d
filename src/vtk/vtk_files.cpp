#include "vtk/vtk_files.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "vtk/vtk_cells.hpp"
#include "vtk/vtk_xml.hpp"

namespace meridian {
namespace {

using vtk::GridFile;
using vtk::Section;

constexpr std::string_view model_file_name = "model.vtu";
constexpr std::string_view interface_file_name = "model_interfaces.vtu";
constexpr std::string_view step_file_pattern = "model_stress_NNNNN.vtu";
constexpr std::string_view collection_file_name = "model_stress.pvd";

// Points of the per-step arrays rendered per reserve of the output buffer.
constexpr std::int64_t chunk_points = 2048;

void require_rows(std::string_view file, std::size_t size, std::int64_t needed,
                  std::string_view what) {
  if (needed > 0 && size < static_cast<std::uint64_t>(needed)) {
    fail_file(file, std::string(what) + " holds fewer rows than the points");
  }
}

// Declares the points' array.
std::size_t declare_points(GridFile& grid, std::int64_t points) {
  return grid.declare<double>(Section::points, "", 3, 3 * static_cast<std::uint64_t>(points));
}

// x, y, z of points 1..points, interleaved.
void fill_points(GridFile& grid, std::size_t array, std::span<const double> x,
                 std::span<const double> y, std::span<const double> z, std::int64_t points) {
  vtk::ValueSink<double> out = grid.values<double>(array);
  for (std::size_t i = 0; i < static_cast<std::size_t>(points); ++i) {
    out(x[i]);
    out(y[i]);
    out(z[i]);
  }
}

void write_grid(std::string_view name, const GridFile& grid, PlacedFiles* placed) {
  OutputFile out = OutputFile::create_replacing(std::string(name), placed);
  out.write_bytes(grid.head());
  out.write_bytes(grid.block());
  out.write_bytes(vtk::grid_tail());
  out.close();
}

// "model_stress_" and the step number zero-padded to five digits.
std::string step_file_name(std::int32_t step) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, step);
  const std::string_view number(digits, static_cast<std::size_t>(result.ptr - digits));
  std::string name = "model_stress_";
  if (number.size() < 5) name.append(5 - number.size(), '0');
  name += number;
  name += ".vtu";
  return name;
}

void write_model_grid(const ModelView& view, std::int64_t points, const VtkModelOptions& options) {
  const std::int64_t load_cases = std::max(view.load_case_count, 0);
  const vtk::HexahedronZones zones{view.zone_element_counts, view.element_nodes,
                                   view.element_material};
  require_rows(model_file_name, view.node_y.size(), points, "node_y");
  require_rows(model_file_name, view.node_z.size(), points, "node_z");
  require_rows(model_file_name, view.node_temperature.size(), points, "node_temperature");
  require_rows(model_file_name, view.node_constraint.size(), points, "node_constraint");
  require_rows(model_file_name, view.nodal_loads.size(), points * 3 * load_cases, "nodal_loads");
  vtk::check_zones(zones, model_file_name);

  const std::size_t springs = std::min(view.spring_node1.size(), view.spring_node2.size());
  const auto each_cell = [&zones, &view, springs](const auto& visit) {
    zones.each(visit);
    for (std::size_t p = 0; p < springs; ++p) {
      const std::int32_t ends[2] = {view.spring_node1[p], view.spring_node2[p]};
      visit(std::span<const std::int32_t>(ends), vtk::vtk_line, 0, 0);
    }
  };
  const vtk::CellCounts counts = vtk::count_cells(each_cell, points);

  const auto n = static_cast<std::size_t>(points);
  const std::string_view temperature =
      options.temperature_name.empty() ? "temperature" : options.temperature_name;
  GridFile grid(static_cast<std::uint64_t>(points), counts.cells);
  const std::size_t xyz = declare_points(grid, points);
  const vtk::CellArrays cells = vtk::declare_cells(grid, counts, "zone", "material");
  const std::size_t constraint =
      grid.declare<std::int32_t>(Section::point_data, "constraint", 1, n);
  const std::size_t temperatures =
      grid.declare<double>(Section::point_data, std::string(temperature), 1, n);
  std::vector<std::size_t> loads;
  for (std::int64_t k = 1; k <= load_cases; ++k) {
    loads.push_back(
        grid.declare<double>(Section::point_data, "load_" + std::to_string(k), 3, 3 * n));
  }
  grid.allocate();

  fill_points(grid, xyz, view.node_x, view.node_y, view.node_z, points);
  vtk::fill_cells(grid, cells, each_cell, points);
  grid.values<std::int32_t>(constraint).copy(view.node_constraint.data(), n);
  grid.values<double>(temperatures).copy(view.node_temperature.data(), n);
  // Load case k: columns 3(k-1) .. 3(k-1)+2 of each node's 3n.
  const std::size_t columns = 3 * static_cast<std::size_t>(load_cases);
  for (std::int64_t k = 1; k <= load_cases; ++k) {
    vtk::ValueSink<double> out = grid.values<double>(loads[static_cast<std::size_t>(k - 1)]);
    const double* from = view.nodal_loads.data() + 3 * static_cast<std::size_t>(k - 1);
    for (std::size_t i = 0; i < n; ++i) out.copy(from + i * columns, 3);
  }
  write_grid(model_file_name, grid, options.placed);
}

void write_interface_grid(const ModelView& view, std::int64_t points, PlacedFiles* placed) {
  const auto each_cell = [&view](const auto& visit) {
    for (std::size_t i = 0; i < view.interface_segments.size(); ++i) {
      for (int side = 0; side < 2; ++side) {
        for (const Segment& segment : view.interface_segments[i][side]) {
          visit(std::span<const std::int32_t>(segment), vtk::vtk_quad,
                static_cast<std::int32_t>(i + 1), side + 1);
        }
      }
    }
  };
  const vtk::CellCounts counts = vtk::count_cells(each_cell, points);
  GridFile grid(static_cast<std::uint64_t>(points), counts.cells);
  const std::size_t xyz = declare_points(grid, points);
  const vtk::CellArrays cells = vtk::declare_cells(grid, counts, "interface", "side");
  grid.allocate();
  fill_points(grid, xyz, view.node_x, view.node_y, view.node_z, points);
  vtk::fill_cells(grid, cells, each_cell, points);
  write_grid(interface_file_name, grid, placed);
}

// Writes one point array of a step file: its byte count, then `width` doubles
// per point that fill(point, out) copies to `out` (a byte position, not
// necessarily aligned for doubles).
template <std::size_t width, class Fill>
void write_point_array(OutputFile& out, std::int64_t points, const Fill& fill) {
  constexpr std::size_t point_bytes = width * sizeof(double);
  const std::uint64_t bytes = static_cast<std::uint64_t>(points) * point_bytes;
  std::memcpy(out.reserve(sizeof bytes), &bytes, sizeof bytes);
  out.commit(sizeof bytes);
  for (std::int64_t first = 0; first < points; first += chunk_points) {
    const std::int64_t last = std::min(points, first + chunk_points);
    const std::size_t size = static_cast<std::size_t>(last - first) * point_bytes;
    char* p = out.reserve(size);
    for (std::int64_t i = first; i < last; ++i, p += point_bytes) {
      fill(static_cast<std::size_t>(i), p);
    }
    out.commit(size);
  }
}

}  // namespace

void write_model_vtk(const ModelView& view, const VtkModelOptions& options) {
  const auto points = static_cast<std::int64_t>(view.node_x.size());
  write_model_grid(view, points, options);
  if (!view.interface_segments.empty()) write_interface_grid(view, points, options.placed);
}

struct VtkSteps::Shared {
  std::int64_t points = 0;
  std::int64_t stress_points = 0;  // points with stresses: the first node_count
  std::string head;
  std::string block;  // points, cells and cell data
  std::vector<vtk::CollectionEntry> written;
  PlacedFiles* placed = nullptr;
};

VtkSteps::VtkSteps(const StepResults& results, PlacedFiles* placed)
    : shared_(std::make_unique<Shared>()) {
  Shared& shared = *shared_;
  shared.placed = placed;
  shared.points = static_cast<std::int64_t>(results.node_x.size());
  const std::int64_t points = shared.points;
  require_rows(step_file_pattern, results.node_y.size(), points, "node_y");
  require_rows(step_file_pattern, results.node_z.size(), points, "node_z");
  if (results.node_count > points) {
    fail_file(step_file_pattern, "the node tables hold fewer rows than the nodes to write");
  }
  shared.stress_points = std::max(results.node_count, 0);
  const vtk::HexahedronZones zones{results.zone_element_counts, results.element_nodes,
                                   results.element_material};
  vtk::check_zones(zones, step_file_pattern);

  const auto each_cell = [&zones](const auto& visit) { zones.each(visit); };
  const vtk::CellCounts counts = vtk::count_cells(each_cell, points);
  GridFile grid(static_cast<std::uint64_t>(points), counts.cells);
  const std::size_t xyz = declare_points(grid, points);
  const vtk::CellArrays cells = vtk::declare_cells(grid, counts, "zone", "material");
  // The step's own arrays follow the shared block in every step file.
  const auto n = static_cast<std::uint64_t>(points);
  grid.declare<double>(Section::point_data, "displacement", 3, 3 * n, true);
  grid.declare<double>(Section::point_data, "stress", 6, 6 * n, true);
  grid.declare<double>(Section::point_data, "effective_stress", 1, n, true);
  grid.declare<double>(Section::point_data, "temperature", 1, n, true);
  grid.allocate();
  fill_points(grid, xyz, results.node_x, results.node_y, results.node_z, points);
  vtk::fill_cells(grid, cells, each_cell, points);
  shared.head = grid.head();
  shared.block = grid.take_block();
}

VtkSteps::~VtkSteps() = default;

void VtkSteps::write_step(std::int32_t step, std::span<const double> node_result,
                          std::span<const double> node_stress) {
  Shared& shared = *shared_;
  const std::string name = step_file_name(step);
  const std::int64_t points = shared.points;
  const std::int64_t stressed = shared.stress_points;
  if (node_result.size() < static_cast<std::uint64_t>(points) * 4) {
    fail_file(name, "the step's nodal printout holds fewer rows than the points");
  }
  if (node_stress.size() < static_cast<std::uint64_t>(stressed) * 7) {
    fail_file(name, "the step's nodal stresses hold fewer rows than the nodes");
  }
  const double* result = node_result.data();
  const double* stress = node_stress.data();
  const auto stressed_rows = static_cast<std::size_t>(stressed);

  OutputFile out = OutputFile::create_replacing(name, shared.placed);
  out.write_bytes(shared.head);
  out.write_bytes(shared.block);
  write_point_array<3>(out, points, [result](std::size_t i, char* p) {
    std::memcpy(p, result + 4 * i, 3 * sizeof(double));
  });
  write_point_array<6>(out, points, [stress, stressed_rows](std::size_t i, char* p) {
    if (i < stressed_rows) {
      std::memcpy(p, stress + 7 * i, 6 * sizeof(double));
    } else {
      std::memset(p, 0, 6 * sizeof(double));
    }
  });
  write_point_array<1>(out, points, [stress, stressed_rows](std::size_t i, char* p) {
    if (i < stressed_rows) {
      std::memcpy(p, stress + 7 * i + 6, sizeof(double));
    } else {
      std::memset(p, 0, sizeof(double));
    }
  });
  write_point_array<1>(out, points, [result](std::size_t i, char* p) {
    std::memcpy(p, result + 4 * i + 3, sizeof(double));
  });
  out.write_bytes(vtk::grid_tail());
  out.close();
  shared.written.push_back(vtk::CollectionEntry{step, name});
}

void VtkSteps::write_collection() const {
  if (shared_->written.empty()) return;
  OutputFile out = OutputFile::create_replacing(std::string(collection_file_name), shared_->placed);
  out.write_bytes(vtk::collection_text(shared_->written));
  out.close();
}

}  // namespace meridian
