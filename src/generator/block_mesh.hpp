#pragma once
// Block meshing: each block's grid lines from its segment points and divisions,
// then its nodes and 8-node hexahedra, numbered block by block with x running
// fastest, then y, then z.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/generated_model.hpp"

namespace meridian {

// Grid lines along one direction of a block: for segment s with end points
// p = points[s], points[s+1] and d = divisions[s] elements, the step is
// h = (points[s+1] - p) / d and line t of the segment lies at p + t*h, each
// operation rounded on its own (later selections compare these values exactly
// with levels read from the parameter file). A segment's end line is then
// rewritten by the next segment, which starts exactly at its point; the last
// segment's end keeps its computed value. Divisions must be at least 1.
std::vector<double> grid_lines(std::span<const double> points,
                               std::span<const std::int32_t> divisions);

// Meshes every block into `model`: sets the blocks' grids and offsets, the node
// and element counts, coordinates, connectivity and materials, and allocates
// every per-node and per-element table at its final size (zeroed). A model whose
// node or element total does not fit 32 bits or cannot be allocated, and an
// element whose bottom level lies in no layer of its block, end the run with a
// message naming `file` and the record that ended the block concerned.
void mesh_blocks(std::span<const BlockParameters> blocks, std::string_view file,
                 GeneratedModel& model);

}  // namespace meridian
