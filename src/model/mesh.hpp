#pragma once
// The mesh types every model table of the program uses.
//
// Conventions shared by all model tables: tables are std::vector (or spans of
// them) indexed from 0, position i holding row i+1; node and element numbers
// stored as values are 1-based, as in the files.

#include <array>
#include <cstdint>
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

}  // namespace meridian
