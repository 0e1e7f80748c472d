#include "vtk/vtk_cells.hpp"

#include "records/fatal.hpp"

namespace meridian::vtk {

CellArrays declare_cells(GridFile& grid, const CellCounts& counts, std::string first,
                         std::string second) {
  CellArrays arrays{};
  arrays.connectivity =
      grid.declare<std::int64_t>(Section::cells, "connectivity", 1, counts.corners);
  arrays.offsets = grid.declare<std::int64_t>(Section::cells, "offsets", 1, counts.cells);
  arrays.types = grid.declare<std::uint8_t>(Section::cells, "types", 1, counts.cells);
  arrays.first = grid.declare<std::int32_t>(Section::cell_data, std::move(first), 1, counts.cells);
  arrays.second =
      grid.declare<std::int32_t>(Section::cell_data, std::move(second), 1, counts.cells);
  return arrays;
}

void check_zones(const HexahedronZones& zones, std::string_view file) {
  std::int64_t total = 0;
  for (const std::int32_t count : zones.zone_element_counts) {
    if (count < 0) fail_file(file, "a zone has a negative element count");
    total += count;
  }
  if (total > static_cast<std::int64_t>(zones.element_nodes.size())) {
    fail_file(file, "the zones hold more elements than the element table");
  }
  if (!zones.element_material.empty() &&
      total > static_cast<std::int64_t>(zones.element_material.size())) {
    fail_file(file, "the zones hold more elements than the element materials");
  }
}

}  // namespace meridian::vtk
