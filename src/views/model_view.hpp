#pragma once
// The model views: model_load.dat (undeformed model with constraint flags,
// spring flags, loads and temperatures, one brick zone per zone) and, for every
// job other than 1, one Tecplot zone file per side of each sliding interface.
//
// Conventions shared by all model tables of the program: tables are std::vector
// (or spans of them) indexed from 0, position i holding row i+1; node and
// element numbers stored as values are 1-based, as in the files.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace meridian {

// The 8 corner node numbers of a hexahedron: corners 1-4 one face, 5-8 the
// opposite face, corner k+4 sharing an edge with corner k.
using ElementCorners = std::array<std::int32_t, 8>;
// One quadrilateral element face: four node numbers.
using Segment = std::array<std::int32_t, 4>;
// The segments of the two sides of one sliding interface: [0] the master side
// (side 1), [1] the slave side (side 2). segment_counts(side, i) of the solver
// files is interface_segments[i][side - 1].size().
using InterfaceSides = std::array<std::vector<Segment>, 2>;

struct ModelView {
  std::int32_t node_count = 0;       // nodes 1..node_count are written
  std::int32_t load_case_count = 0;  // n: 3n load columns per node
  std::span<const double> node_x, node_y, node_z;  // at least node_count each
  // Node-major: the 3n load columns of node i start at (i-1)*3n; column
  // 3(k-1)+d is load case k in direction d (1 x, 2 y, 3 z).
  std::span<const double> nodal_loads;
  std::span<const double> node_temperature;
  std::span<const std::int32_t> node_constraint;  // direction codes 0..7
  std::span<const ElementCorners> element_nodes;
  // Zone z holds the next zone_element_counts[z-1] rows of element_nodes.
  std::span<const std::int32_t> zone_element_counts;
  std::span<const InterfaceSides> interface_segments;  // one entry per interface
  std::span<const std::int32_t> spring_node1, spring_node2, spring_direction;
};

// Writes model_load.dat and, when job_code is not 1, the interface zone files.
void write_model_view(const ModelView& view, std::int32_t job_code);

}  // namespace meridian
