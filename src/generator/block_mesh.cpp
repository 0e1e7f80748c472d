#include "generator/block_mesh.hpp"

#include <charconv>
#include <limits>
#include <new>
#include <string>

#include "records/fatal.hpp"
#include "files/memory_budget.hpp"

namespace meridian {

namespace {

constexpr std::int64_t max_count = std::numeric_limits<std::int32_t>::max();

std::string real_text(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::int64_t element_span(std::span<const std::int32_t> divisions) {
  std::int64_t sum = 0;
  for (const std::int32_t d : divisions) sum += d;
  return sum;
}

// Node and element counts of a block, or false when either would not fit the
// 32-bit numbering (each factor is checked before it is multiplied, so nothing
// overflows on the way).
bool block_counts(std::int64_t ex, std::int64_t ey, std::int64_t ez, std::int64_t& nodes,
                  std::int64_t& elements) {
  if (ex + 1 > max_count || ey + 1 > max_count || ez + 1 > max_count) return false;
  nodes = (ex + 1) * (ey + 1);
  if (nodes > max_count) return false;
  nodes *= ez + 1;
  if (nodes > max_count) return false;
  elements = ex * ey * ez;  // below nodes, so it fits
  return true;
}

// Material of the elements whose bottom lies at z: the last layer m with
// level(m) <= z <= level(m+1), numbered after the layers of earlier blocks;
// 0 when no layer holds z.
std::int32_t layer_material(std::span<const double> levels, std::int32_t material_base, double z) {
  std::int32_t material = 0;
  for (std::size_t m = 0; m + 1 < levels.size(); ++m) {
    if (levels[m] <= z && z <= levels[m + 1]) {
      material = material_base + static_cast<std::int32_t>(m) + 1;
    }
  }
  return material;
}

// Per node: coordinates, constraint, spring stiffness, loads; per element:
// material and corners.
constexpr std::uint64_t node_table_bytes = 3 * 8 + 4 + 8 + 3 * 8;
constexpr std::uint64_t element_table_bytes = 4 + sizeof(ElementCorners);

// The model tables of `nodes` and `elements`, with the `grid_bytes` of grid
// lines already held, must fit in the memory available.
void require_model_memory(std::string_view file, long line, std::int64_t nodes,
                          std::int64_t elements, std::uint64_t grid_bytes) {
  require_memory(file, line,
                 "a model of " + std::to_string(nodes) + " nodes and " + std::to_string(elements) +
                     " elements",
                 table_bytes(nodes, node_table_bytes) + table_bytes(elements, element_table_bytes) +
                     grid_bytes);
}

void allocate_tables(GeneratedModel& model, std::string_view file, long line,
                     std::uint64_t grid_bytes) {
  const auto nodes = static_cast<std::size_t>(model.node_count);
  const auto elements = static_cast<std::size_t>(model.element_count);
  require_model_memory(file, line, model.node_count, model.element_count, grid_bytes);
  try {
    model.node_x.assign(nodes, 0.0);
    model.node_y.assign(nodes, 0.0);
    model.node_z.assign(nodes, 0.0);
    model.node_constraint.assign(nodes, 0);
    model.node_spring_stiffness.assign(nodes, 0.0);
    model.nodal_loads.assign(3 * nodes, 0.0);
    model.element_material.assign(elements, 0);
    model.element_nodes.assign(elements, ElementCorners{});
  } catch (const std::bad_alloc&) {
    fail_line(file, line,
              "not enough memory for a model of " + std::to_string(model.node_count) +
                  " nodes and " + std::to_string(model.element_count) + " elements");
  }
}

}  // namespace

std::vector<double> grid_lines(std::span<const double> points,
                               std::span<const std::int32_t> divisions) {
  std::vector<double> lines(static_cast<std::size_t>(element_span(divisions)) + 1, 0.0);
  std::size_t offset = 0;
  for (std::size_t s = 0; s < divisions.size(); ++s) {
    if (s > 0) offset += static_cast<std::size_t>(divisions[s - 1]);
    const double p = points[s];
    const std::int32_t d = divisions[s];
    const double h = (points[s + 1] - p) / static_cast<double>(d);
    for (std::int32_t t = 0; t <= d; ++t) {
      const double step = static_cast<double>(t) * h;
      lines[offset + static_cast<std::size_t>(t)] = p + step;
    }
  }
  return lines;
}

void mesh_blocks(std::span<const BlockParameters> blocks, std::string_view file,
                 GeneratedModel& model) {
  model.blocks.clear();
  model.blocks.reserve(blocks.size());
  std::int64_t node_total = 0;
  std::int64_t element_total = 0;
  std::uint64_t grid_bytes = 0;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const BlockParameters& block = blocks[b];
    const std::int64_t ex = element_span(block.x_divisions);
    const std::int64_t ey = element_span(block.y_divisions);
    const std::int64_t ez = element_span(block.z_divisions);
    std::int64_t nodes = 0;
    std::int64_t elements = 0;
    if (!block_counts(ex, ey, ez, nodes, elements) || node_total + nodes > max_count ||
        element_total + elements > max_count) {
      fail_line(file, block.layer_levels_line,
                "block " + std::to_string(b + 1) +
                    " makes the model too large: its node and element numbers would not fit "
                    "32 bits");
    }
    // Grid lines of this block and of the blocks before it, before they are
    // sized from these divisions (the model tables follow all blocks).
    grid_bytes += table_bytes(ex + ey + ez + 3, sizeof(double));
    require_memory(file, block.layer_levels_line,
                   "the grid lines of block " + std::to_string(b + 1) + " (" + std::to_string(ex) +
                       ", " + std::to_string(ey) + " and " + std::to_string(ez) +
                       " elements along x, y and z) and of the blocks before it",
                   grid_bytes);
    BlockMesh mesh;
    mesh.x_element_count = static_cast<std::int32_t>(ex);
    mesh.y_element_count = static_cast<std::int32_t>(ey);
    mesh.z_element_count = static_cast<std::int32_t>(ez);
    mesh.block_node_offset = static_cast<std::int32_t>(node_total);
    mesh.block_node_count = static_cast<std::int32_t>(nodes);
    mesh.block_element_offset = static_cast<std::int32_t>(element_total);
    mesh.block_element_count = static_cast<std::int32_t>(elements);
    mesh.grid_x = grid_lines(block.x_points, block.x_divisions);
    mesh.grid_y = grid_lines(block.y_points, block.y_divisions);
    mesh.grid_z = grid_lines(block.z_points, block.z_divisions);
    model.blocks.push_back(std::move(mesh));
    node_total += nodes;
    element_total += elements;
  }
  model.node_count = static_cast<std::int32_t>(node_total);
  model.element_count = static_cast<std::int32_t>(element_total);
  allocate_tables(model, file, blocks.empty() ? 0 : blocks.back().layer_levels_line, grid_bytes);

  std::int32_t material_base = 0;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const BlockMesh& mesh = model.blocks[b];
    const std::size_t ex = static_cast<std::size_t>(mesh.x_element_count);
    const std::size_t ey = static_cast<std::size_t>(mesh.y_element_count);
    const std::size_t ez = static_cast<std::size_t>(mesh.z_element_count);
    const std::size_t row = ex + 1;            // nodes per row along x
    const std::size_t level = row * (ey + 1);  // nodes per z level

    // Nodes in numbering order: x fastest, then y, then z.
    std::size_t n = static_cast<std::size_t>(mesh.block_node_offset);
    for (std::size_t k = 0; k <= ez; ++k) {
      for (std::size_t j = 0; j <= ey; ++j) {
        for (std::size_t l = 0; l <= ex; ++l, ++n) {
          model.node_x[n] = mesh.grid_x[l];
          model.node_y[n] = mesh.grid_y[j];
          model.node_z[n] = mesh.grid_z[k];
        }
      }
    }

    // Elements in the same order; corners 1-4 the bottom face counter-clockwise
    // seen from +z, corners 5-8 the top face above them.
    const std::int32_t first_node = mesh.block_node_offset + 1;
    std::size_t e = static_cast<std::size_t>(mesh.block_element_offset);
    for (std::size_t k = 0; k < ez; ++k) {
      const double bottom = mesh.grid_z[k];
      const std::int32_t material = layer_material(blocks[b].layer_levels, material_base, bottom);
      if (material == 0) {
        fail_line(file, blocks[b].layer_levels_line,
                  "block " + std::to_string(b + 1) + ": the elements whose bottom lies at z = " +
                      real_text(bottom) + " are in no layer of the block");
      }
      for (std::size_t j = 0; j < ey; ++j) {
        for (std::size_t l = 0; l < ex; ++l, ++e) {
          const auto n1 = static_cast<std::int32_t>(first_node + l + j * row + k * level);
          const auto n4 = static_cast<std::int32_t>(n1 + row);
          const auto n5 = static_cast<std::int32_t>(n1 + level);
          const auto n8 = static_cast<std::int32_t>(n4 + level);
          model.element_nodes[e] = ElementCorners{n1, n1 + 1, n4 + 1, n4, n5, n5 + 1, n8 + 1, n8};
          model.element_material[e] = material;
        }
      }
    }
    material_base += blocks[b].layer_count;
  }
}

}  // namespace meridian
