#include "model/generated_model.hpp"

namespace meridian {

std::vector<std::int32_t> GeneratedModel::block_element_counts() const {
  std::vector<std::int32_t> counts;
  counts.reserve(blocks.size());
  for (const BlockMesh& mesh : blocks) counts.push_back(mesh.block_element_count);
  return counts;
}

ModelView generated_model_view(const GeneratedModel& model,
                               std::span<const std::int32_t> zone_element_counts) {
  ModelView view;
  view.node_count = model.node_count;
  view.load_case_count = 1;
  view.node_x = model.node_x;
  view.node_y = model.node_y;
  view.node_z = model.node_z;
  view.nodal_loads = model.nodal_loads;
  view.node_temperature = model.node_spring_stiffness;
  view.node_constraint = model.node_constraint;
  view.element_nodes = model.element_nodes;
  view.element_material = model.element_material;
  view.zone_element_counts = zone_element_counts;
  view.interface_segments = model.interface_segments;
  return view;
}

}  // namespace meridian
