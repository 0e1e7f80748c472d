#include "generator/model_regions.hpp"

#include <array>
#include <cmath>

namespace meridian {

namespace {

// Row: old code 0..6; column: new code 0..7. A node with code 7 is never
// changed, so it has no row.
constexpr std::array<std::array<std::int32_t, 8>, 7> constraint_combination{{
    {0, 1, 2, 3, 4, 5, 6, 7},
    {0, 1, 4, 6, 4, 7, 6, 7},
    {0, 4, 2, 5, 4, 5, 7, 7},
    {0, 6, 5, 3, 7, 5, 6, 7},
    {0, 1, 2, 7, 4, 5, 6, 7},
    {0, 7, 2, 3, 4, 5, 6, 7},
    {0, 1, 7, 3, 4, 5, 6, 7},
}};

const BlockMesh& block_mesh(const GeneratedModel& model, std::int32_t block) {
  return model.blocks[static_cast<std::size_t>(block - 1)];
}

bool inside(const Box& box, double x, double y, double z) {
  return box.z_min <= z && z <= box.z_max && box.y_min <= y && y <= box.y_max && box.x_min <= x &&
         x <= box.x_max;
}

bool inside(const Rectangle& rectangle, double x, double y) {
  return rectangle.y_min <= y && y <= rectangle.y_max && rectangle.x_min <= x &&
         x <= rectangle.x_max;
}

// Calls visit(index) for the 0-based index of every node of the block, ascending.
template <typename Visit>
void for_each_block_node(const GeneratedModel& model, std::int32_t block, Visit visit) {
  const BlockMesh& mesh = block_mesh(model, block);
  const auto first = static_cast<std::size_t>(mesh.block_node_offset);
  const auto last = first + static_cast<std::size_t>(mesh.block_node_count);
  for (std::size_t n = first; n < last; ++n) visit(n);
}

}  // namespace

std::int32_t combine_constraint(std::int32_t old_code, std::int32_t new_code) {
  if (old_code == 7) return 7;
  return constraint_combination[static_cast<std::size_t>(old_code)]
                               [static_cast<std::size_t>(new_code)];
}

void apply_constraint(GeneratedModel& model, std::int32_t block, std::int32_t code,
                      const Box& box) {
  for_each_block_node(model, block, [&](std::size_t n) {
    std::int32_t& current = model.node_constraint[n];
    if (current != 7 && inside(box, model.node_x[n], model.node_y[n], model.node_z[n])) {
      current = combine_constraint(current, code);
    }
  });
}

std::vector<std::int32_t> select_circle_nodes(const GeneratedModel& model, std::int32_t block,
                                              double center_x, double center_y, double level,
                                              double radius) {
  std::vector<std::int32_t> nodes;
  for_each_block_node(model, block, [&](std::size_t n) {
    if (model.node_z[n] != level) return;
    const double dx = model.node_x[n] - center_x;
    const double dy = model.node_y[n] - center_y;
    const double dx2 = dx * dx;
    const double dy2 = dy * dy;
    if (std::sqrt(dx2 + dy2) <= radius) nodes.push_back(static_cast<std::int32_t>(n + 1));
  });
  return nodes;
}

std::vector<std::int32_t> select_rectangle_nodes(const GeneratedModel& model, std::int32_t block,
                                                 const Rectangle& rectangle, double level) {
  std::vector<std::int32_t> nodes;
  for_each_block_node(model, block, [&](std::size_t n) {
    if (model.node_z[n] == level && inside(rectangle, model.node_x[n], model.node_y[n])) {
      nodes.push_back(static_cast<std::int32_t>(n + 1));
    }
  });
  return nodes;
}

void assign_nodal_loads(GeneratedModel& model) {
  model.nodal_loads.assign(3 * static_cast<std::size_t>(model.node_count), 0.0);
  for (const LoadRegion& region : model.load_regions) {
    if (region.load_nodes.empty()) continue;
    const double share = region.load_total / static_cast<double>(region.load_nodes.size());
    const auto column = static_cast<std::size_t>(region.load_direction - 1);
    for (const std::int32_t node : region.load_nodes) {
      model.nodal_loads[3 * static_cast<std::size_t>(node - 1) + column] = share;
    }
  }
}

std::vector<Segment> find_face_segments(const GeneratedModel& model, std::int32_t block,
                                        double level, const Rectangle& rectangle) {
  std::vector<Segment> segments;
  const BlockMesh& mesh = block_mesh(model, block);
  const auto first = static_cast<std::size_t>(mesh.block_element_offset);
  const auto last = first + static_cast<std::size_t>(mesh.block_element_count);
  for (std::size_t e = first; e < last; ++e) {
    const ElementCorners& corners = model.element_nodes[e];
    std::size_t face = 0;  // first corner of the candidate face
    if (model.node_z[static_cast<std::size_t>(corners[0] - 1)] == level) {
      face = 0;
    } else if (model.node_z[static_cast<std::size_t>(corners[4] - 1)] == level) {
      face = 4;
    } else {
      continue;
    }
    const Segment segment{corners[face], corners[face + 1], corners[face + 2], corners[face + 3]};
    bool all_inside = true;
    for (const std::int32_t node : segment) {
      const auto n = static_cast<std::size_t>(node - 1);
      all_inside = all_inside && inside(rectangle, model.node_x[n], model.node_y[n]);
    }
    if (all_inside) segments.push_back(segment);
  }
  return segments;
}

void apply_spring_region(GeneratedModel& model, double stiffness, std::int32_t block,
                         const Box& box) {
  std::int32_t selected = 0;
  std::int32_t last_node = 0;
  for_each_block_node(model, block, [&](std::size_t n) {
    if (!inside(box, model.node_x[n], model.node_y[n], model.node_z[n])) return;
    model.node_spring_stiffness[n] = stiffness;
    last_node = static_cast<std::int32_t>(n + 1);
    if (selected++ == 0) {
      model.spring_marker_nodes.push_back(last_node);
      model.spring_marker_stiffness.push_back(stiffness);
    }
  });
  if (selected > 1) {
    model.spring_marker_nodes.push_back(last_node);
    model.spring_marker_stiffness.push_back(stiffness);
  }
}

std::vector<std::int32_t> select_ground_spring_nodes(const GeneratedModel& model,
                                                     std::int32_t block, const Box& box,
                                                     const SpringGrid& grid) {
  std::vector<std::int32_t> nodes;
  for_each_block_node(model, block, [&](std::size_t n) {
    const double x = model.node_x[n];
    const double y = model.node_y[n];
    const double z = model.node_z[n];
    // std::fmod is exact and keeps the sign of the dividend; -0.0 == 0 holds.
    if (std::fmod(x, grid.x_spacing) == 0.0 && std::fmod(y, grid.y_spacing) == 0.0 &&
        std::fmod(z, grid.z_spacing) == 0.0 && inside(box, x, y, z)) {
      nodes.push_back(static_cast<std::int32_t>(n + 1));
    }
  });
  return nodes;
}

}  // namespace meridian
