#pragma once
// Node-path extracts of a step: edge and diagonal paths of interface sides,
// diagonal paths and axis lines of materials, and the spring extract.

#include <cstdint>
#include <span>

#include "files/output_file.hpp"
#include "results/extract_records.hpp"
#include "model/mesh.hpp"

namespace meridian {

// Edge paths (job 2): per interface and side, the boundary nodes on the four
// sides of the side's bounding rectangle in x-y (largest x, largest y, smallest
// x, smallest y), each ordered along its side.
void write_edge_paths(OutputFile& out, const StepTables& step,
                      std::span<const InterfaceSides> interfaces);

// Diagonal paths (job 3 with interfaces): per interface and side, the nodes whose
// x equals y exactly, in order of first appearance.
void write_interface_diagonals(OutputFile& out, const StepTables& step,
                               std::span<const InterfaceSides> interfaces);

struct MaterialElements {
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;
};

// Diagonal paths per material (job 3 without interfaces): nodes of the base plane
// z = 0 with x = y, in order of first appearance.
void write_material_diagonals(OutputFile& out, const StepTables& step,
                              const MaterialElements& elements);

// Axis lines per material (job 6): base-plane nodes on y = 0 ordered by x, then
// on x = 0 ordered by y.
void write_axis_lines(OutputFile& out, const StepTables& step, const MaterialElements& elements);

struct SpringTables {
  std::span<const std::int32_t> spring_node1, spring_node2, spring_direction;
  std::span<const double> spring_stiffness, spring_deflection, spring_force;
};

// Spring extract (job 6): each spring's displaced node positions, direction,
// relative displacement along it, stiffness, deflection and force.
void write_spring_extract(OutputFile& out, const StepTables& step, const SpringTables& springs);

}  // namespace meridian
