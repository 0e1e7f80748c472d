#pragma once
// The generator's model: blocks of 8-node hexahedra with their constraint codes,
// nodal loads, sliding interfaces, pressure regions, spring regions and grounded
// springs, as the card writer and the model views take it. Tables follow the
// program's convention: position i holds row i+1; node and element numbers stored
// as values are 1-based.

#include <array>
#include <cstdint>
#include <vector>

#include "model/mesh.hpp"
#include "model/undeformed_model.hpp"

namespace meridian {

// The values of one block as the blocks section gives them (records B1 to B5).
struct BlockParameters {
  std::int32_t layer_count = 0;
  std::int32_t x_segment_count = 0;
  std::int32_t y_segment_count = 0;
  std::int32_t z_segment_count = 0;
  std::vector<double> x_points, y_points, z_points;  // segment count + 1 each
  std::vector<std::int32_t> x_divisions, y_divisions, z_divisions;
  std::vector<double> layer_levels;  // layer_count + 1
  long layer_levels_line = 0;        // record that ended the block (B5), for messages
};

// A block after meshing: its grid lines and where its nodes and elements lie in
// the model's numbering.
struct BlockMesh {
  std::int32_t x_element_count = 0;  // EX
  std::int32_t y_element_count = 0;  // EY
  std::int32_t z_element_count = 0;  // EZ
  std::int32_t block_node_offset = 0;
  std::int32_t block_node_count = 0;
  std::int32_t block_element_offset = 0;
  std::int32_t block_element_count = 0;
  std::vector<double> grid_x, grid_y, grid_z;  // EX+1, EY+1, EZ+1 lines
};

struct LoadRegion {
  std::int32_t load_direction = 1;  // 1 x, 2 y, 3 z
  double load_total = 0.0;
  std::vector<std::int32_t> load_nodes;  // selected nodes, ascending
};

struct PressureRegion {
  std::int32_t pressure_curve = 0;
  double pressure_value = 0.0;
  std::vector<Segment> pressure_segments;
};

struct GroundSpringSet {
  std::int32_t ground_spring_type = 0;
  double ground_spring_stiffness = 0.0;  // after the area scaling
  std::int32_t ground_spring_count = 0;  // springs this set made
};

struct GeneratedModel {
  std::vector<BlockMesh> blocks;
  std::int32_t node_count = 0;
  std::int32_t element_count = 0;

  // Per node. A node's label on its card is its number, so no label table is kept.
  std::vector<double> node_x, node_y, node_z;
  std::vector<std::int32_t> node_constraint;
  std::vector<double> node_spring_stiffness;
  std::vector<double> nodal_loads;  // node-major, 3 per node: x, y, z force

  // Per element (labels are element numbers, as for nodes).
  std::vector<std::int32_t> element_material;
  std::vector<ElementCorners> element_nodes;

  std::vector<InterfaceSides> interface_segments;  // one entry per interface
  std::vector<LoadRegion> load_regions;
  std::vector<std::int32_t> spring_marker_nodes;
  std::vector<double> spring_marker_stiffness;
  std::vector<PressureRegion> pressure_regions;
  std::vector<GroundSpringSet> ground_spring_sets;
  std::vector<std::int32_t> ground_spring_nodes;  // model node of grounded spring j

  // Elements of each block in block order: the model view's zones.
  std::vector<std::int32_t> block_element_counts() const;
};

// The model view of a generated model, one zone per block (`zone_element_counts`
// from block_element_counts(), kept alive by the caller). The view's
// temperature column shows each node's spring-region stiffness.
ModelView generated_model_view(const GeneratedModel& model,
                               std::span<const std::int32_t> zone_element_counts);

}  // namespace meridian
