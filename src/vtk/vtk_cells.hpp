#pragma once
// The cells of a grid file: connectivity, offsets and types as the appended
// block holds them, with two Int32 values per cell for its cell data (zone and
// material of a hexahedron, interface and side of a segment).
//
// A writer names its cells through an enumeration `each(visit)` that calls
// visit(nodes, type, first, second) once per cell, in order, with the cell's
// 1-based node numbers. The cells are counted in one pass and written
// straight into the block in another; a cell with a node outside 1..points is
// left out of both.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/mesh.hpp"
#include "vtk/vtk_xml.hpp"

namespace meridian::vtk {

inline constexpr std::uint8_t vtk_line = 3;
inline constexpr std::uint8_t vtk_quad = 9;
inline constexpr std::uint8_t vtk_hexahedron = 12;

inline bool drawable(std::span<const std::int32_t> nodes, std::int64_t points) {
  for (const std::int32_t node : nodes) {
    if (node < 1 || node > points) return false;
  }
  return true;
}

struct CellCounts {
  std::uint64_t cells = 0;
  std::uint64_t corners = 0;  // connectivity entries
};

template <class Each>
CellCounts count_cells(const Each& each, std::int64_t points) {
  CellCounts counts;
  each([&counts, points](std::span<const std::int32_t> nodes, std::uint8_t, std::int32_t,
                         std::int32_t) {
    if (!drawable(nodes, points)) return;
    ++counts.cells;
    counts.corners += nodes.size();
  });
  return counts;
}

// The numbers of a grid's cell arrays (GridFile::declare).
struct CellArrays {
  std::size_t connectivity, offsets, types, first, second;
};

// Declares connectivity, offsets and types in the cells' section and the two
// values as Int32 cell data named `first` and `second`.
CellArrays declare_cells(GridFile& grid, const CellCounts& counts, std::string first,
                         std::string second);

template <class Each>
void fill_cells(GridFile& grid, const CellArrays& arrays, const Each& each, std::int64_t points) {
  ValueSink<std::int64_t> connectivity = grid.values<std::int64_t>(arrays.connectivity);
  ValueSink<std::int64_t> offsets = grid.values<std::int64_t>(arrays.offsets);
  ValueSink<std::uint8_t> types = grid.values<std::uint8_t>(arrays.types);
  ValueSink<std::int32_t> first = grid.values<std::int32_t>(arrays.first);
  ValueSink<std::int32_t> second = grid.values<std::int32_t>(arrays.second);
  std::int64_t end = 0;
  each([&, points](std::span<const std::int32_t> nodes, std::uint8_t type, std::int32_t a,
                   std::int32_t b) {
    if (!drawable(nodes, points)) return;
    for (const std::int32_t node : nodes) connectivity(std::int64_t{node} - 1);
    end += static_cast<std::int64_t>(nodes.size());
    offsets(end);
    types(type);
    first(a);
    second(b);
  });
}

// The hexahedra of a model: zone z holds the next zone_element_counts[z-1]
// rows of element_nodes; element_material is empty or has a row per element.
struct HexahedronZones {
  std::span<const std::int32_t> zone_element_counts;
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;

  // Visits the hexahedra zone by zone, each with its zone number and material
  // (0 without materials).
  template <class Visit>
  void each(const Visit& visit) const {
    std::size_t element = 0;
    for (std::size_t z = 0; z < zone_element_counts.size(); ++z) {
      const auto zone = static_cast<std::int32_t>(z + 1);
      for (std::int32_t e = 0; e < zone_element_counts[z]; ++e, ++element) {
        const std::int32_t material = element_material.empty() ? 0 : element_material[element];
        visit(std::span<const std::int32_t>(element_nodes[element]), vtk_hexahedron, zone,
              material);
      }
    }
  }
};

// Ends the run, naming `file`, when a zone has a negative element count, the
// zones hold more elements than the element table or the materials.
void check_zones(const HexahedronZones& zones, std::string_view file);

}  // namespace meridian::vtk
