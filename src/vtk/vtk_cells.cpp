#include "vtk/vtk_cells.hpp"

#include "records/fatal.hpp"

namespace meridian::vtk {

void CellArrays::add(std::span<const std::int32_t> nodes, std::uint8_t type, std::int32_t first,
                     std::int32_t second) {
  for (const std::int32_t node : nodes) {
    if (node < 1 || node > points_) return;
  }
  for (const std::int32_t node : nodes) connectivity_.push_back(std::int64_t{node} - 1);
  offsets_.push_back(static_cast<std::int64_t>(connectivity_.size()));
  types_.push_back(type);
  values_[0].push_back(first);
  values_[1].push_back(second);
}

void CellArrays::add_to(GridFile& grid, std::string first, std::string second) const {
  grid.add<std::int64_t>(Section::cells, "connectivity", 1, connectivity_);
  grid.add<std::int64_t>(Section::cells, "offsets", 1, offsets_);
  grid.add<std::uint8_t>(Section::cells, "types", 1, types_);
  grid.add<std::int32_t>(Section::cell_data, std::move(first), 1, values_[0]);
  grid.add<std::int32_t>(Section::cell_data, std::move(second), 1, values_[1]);
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

void add_hexahedra(CellArrays& cells, const HexahedronZones& zones) {
  std::size_t element = 0;
  for (std::size_t z = 0; z < zones.zone_element_counts.size(); ++z) {
    const auto zone = static_cast<std::int32_t>(z + 1);
    for (std::int32_t e = 0; e < zones.zone_element_counts[z]; ++e, ++element) {
      const std::int32_t material =
          zones.element_material.empty() ? 0 : zones.element_material[element];
      cells.add(zones.element_nodes[element], vtk_hexahedron, zone, material);
    }
  }
}

}  // namespace meridian::vtk
