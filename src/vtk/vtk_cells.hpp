#pragma once
// The cells of a grid file: connectivity, offsets and types as the appended
// block holds them, with two Int32 values per cell for its cell data (zone and
// material of a hexahedron, interface and side of a segment).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/mesh.hpp"
#include "vtk/vtk_xml.hpp"

namespace meridian::vtk {

inline constexpr std::uint8_t vtk_line = 3;
inline constexpr std::uint8_t vtk_quad = 9;
inline constexpr std::uint8_t vtk_hexahedron = 12;

class CellArrays {
 public:
  explicit CellArrays(std::int64_t points) : points_(points) {}

  // Adds a cell over 1-based node numbers, with its two values; a cell with a
  // node outside 1..points is left out.
  void add(std::span<const std::int32_t> nodes, std::uint8_t type, std::int32_t first,
           std::int32_t second);

  std::uint64_t count() const { return types_.size(); }
  // Adds connectivity, offsets and types to the grid's cells and the two
  // values as Int32 cell data named `first` and `second`.
  void add_to(GridFile& grid, std::string first, std::string second) const;

 private:
  std::int64_t points_;
  std::vector<std::int64_t> connectivity_;
  std::vector<std::int64_t> offsets_;
  std::vector<std::uint8_t> types_;
  std::array<std::vector<std::int32_t>, 2> values_;
};

// The hexahedra of a model: zone z holds the next zone_element_counts[z-1]
// rows of element_nodes; element_material is empty or has a row per element.
struct HexahedronZones {
  std::span<const std::int32_t> zone_element_counts;
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;
};

// Ends the run, naming `file`, when a zone has a negative element count, the
// zones hold more elements than the element table or the materials.
void check_zones(const HexahedronZones& zones, std::string_view file);

// Adds the hexahedra zone by zone, each with its zone number and material (0
// without materials).
void add_hexahedra(CellArrays& cells, const HexahedronZones& zones);

}  // namespace meridian::vtk
