// Edge and diagonal node paths of the sides of sliding interfaces.

#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "results/path_extracts.hpp"

namespace meridian {
namespace {

// 0.01 as a single-precision value, widened: the bound tolerance of the edges.
constexpr double edge_tolerance = static_cast<double>(0.01f);
static_assert(edge_tolerance == 0.009999999776482582);

// A node at this many corner positions of a side or more is interior.
constexpr int interior_occurrences = 4;

void check_side(const StepTables& step, const std::vector<Segment>& side, std::string_view file) {
  for (const Segment& segment : side) {
    for (const std::int32_t node : segment) check_node(step, node, file, "an interface segment");
  }
}

void write_edge_side(OutputFile& out, const StepTables& step, const std::vector<Segment>& side) {
  std::vector<std::int32_t> lists[4];
  if (!side.empty()) {
    const std::size_t first = static_cast<std::size_t>(side[0][0] - 1);
    double xmax = step.node_x[first], xmin = xmax;
    double ymax = step.node_y[first], ymin = ymax;
    std::unordered_map<std::int32_t, int> occurrences;
    occurrences.reserve(side.size() * 4);
    for (const Segment& segment : side) {
      for (const std::int32_t node : segment) {
        const double x = step.node_x[static_cast<std::size_t>(node - 1)];
        const double y = step.node_y[static_cast<std::size_t>(node - 1)];
        if (x > xmax) xmax = x;
        if (y > ymax) ymax = y;
        if (x < xmin) xmin = x;
        if (y < ymin) ymin = y;
        ++occurrences[node];
      }
    }
    std::unordered_set<std::int32_t> listed;
    for (const Segment& segment : side) {
      for (const std::int32_t node : segment) {
        if (occurrences[node] >= interior_occurrences) continue;
        if (listed.contains(node)) continue;
        const double x = step.node_x[static_cast<std::size_t>(node - 1)];
        const double y = step.node_y[static_cast<std::size_t>(node - 1)];
        const bool on_edge[4] = {
            std::abs(x - xmax) < edge_tolerance, std::abs(y - ymax) < edge_tolerance,
            std::abs(x - xmin) < edge_tolerance, std::abs(y - ymin) < edge_tolerance};
        for (int l = 0; l < 4; ++l) {
          if (on_edge[l]) {
            lists[l].push_back(node);
            listed.insert(node);
          }
        }
      }
    }
    order_by_selection(lists[0], step.node_y);
    order_by_selection(lists[1], step.node_x);
    order_by_selection(lists[2], step.node_y);
    order_by_selection(lists[3], step.node_x);
  }
  for (const std::vector<std::int32_t>& list : lists) {
    for (const std::int32_t node : list) write_node_row(out, step, node);
    write_block_end(out);
  }
}

void write_diagonal_side(OutputFile& out, const StepTables& step,
                         const std::vector<Segment>& side) {
  std::vector<std::int32_t> list;
  std::unordered_set<std::int32_t> listed;
  for (const Segment& segment : side) {
    for (const std::int32_t node : segment) {
      const std::size_t i = static_cast<std::size_t>(node - 1);
      if (step.node_x[i] == step.node_y[i] && listed.insert(node).second) list.push_back(node);
    }
  }
  for (const std::int32_t node : list) write_node_row(out, step, node);
  write_block_end(out);
}

}  // namespace

namespace {

// One block per side of every interface, master before slave: its title, the
// header and the side's rows as `write_side` lays them out.
template <class WriteSide>
void write_side_blocks(OutputFile& out, const StepTables& step,
                       std::span<const InterfaceSides> interfaces, WriteSide write_side) {
  for (std::size_t m = 0; m < interfaces.size(); ++m) {
    for (int t = 0; t < 2; ++t) {
      check_side(step, interfaces[m][t], out.name());
      write_block_title(out, "interface,", static_cast<std::int64_t>(m) + 1, t + 1);
      write_extract_header(out);
      write_side(out, step, interfaces[m][t]);
    }
  }
}

}  // namespace

void write_edge_paths(OutputFile& out, const StepTables& step,
                      std::span<const InterfaceSides> interfaces) {
  write_side_blocks(out, step, interfaces, write_edge_side);
}

void write_interface_diagonals(OutputFile& out, const StepTables& step,
                               std::span<const InterfaceSides> interfaces) {
  write_side_blocks(out, step, interfaces, write_diagonal_side);
}

}  // namespace meridian
