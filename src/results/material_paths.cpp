// Node paths of the materials on the base plane z = 0: diagonals x = y and the
// axis lines y = 0 and x = 0.

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "records/fatal.hpp"
#include "results/path_extracts.hpp"

namespace meridian {
namespace {

// Lists of nodes per material (only materials 1 and above; a material number
// that no element carries has empty lists and writes nothing).
template <int line_count>
struct MaterialLists {
  std::vector<std::int32_t> lines[line_count];
};

// One pass over the elements in ascending order, corners ascending: each list
// receives the nodes that pass its test, once each, in order of first appearance.
template <int line_count, typename Test>
std::map<std::int32_t, MaterialLists<line_count>> collect(const StepTables& step,
                                                          const MaterialElements& elements,
                                                          std::string_view file, Test test) {
  if (elements.element_material.size() < elements.element_nodes.size()) {
    fail_file(file, "the material table is shorter than the element table");
  }
  std::map<std::int32_t, MaterialLists<line_count>> lists;
  std::unordered_set<std::uint64_t> listed[line_count];
  for (std::size_t e = 0; e < elements.element_nodes.size(); ++e) {
    const std::int32_t material = elements.element_material[e];
    if (material < 1) continue;
    for (const std::int32_t node : elements.element_nodes[e]) {
      check_node(step, node, file, "an element");
      const std::size_t i = static_cast<std::size_t>(node - 1);
      for (int l = 0; l < line_count; ++l) {
        if (!test(l, step.node_x[i], step.node_y[i], step.node_z[i])) continue;
        const std::uint64_t key =
            (static_cast<std::uint64_t>(material) << 32) | static_cast<std::uint32_t>(node);
        if (listed[l].insert(key).second) lists[material].lines[l].push_back(node);
      }
    }
  }
  return lists;
}

void write_block(OutputFile& out, const StepTables& step, std::int32_t material,
                 const std::vector<std::int32_t>& list) {
  if (list.empty()) return;
  write_block_title(out, "material type,", material, 1);
  write_extract_header(out);
  for (const std::int32_t node : list) write_node_row(out, step, node);
  write_block_end(out);
}

}  // namespace

void write_material_diagonals(OutputFile& out, const StepTables& step,
                              const MaterialElements& elements) {
  const auto lists = collect<1>(step, elements, out.name(), [](int, double x, double y, double z) {
    return z == 0.0 && x == y;
  });
  for (const auto& [material, entry] : lists) write_block(out, step, material, entry.lines[0]);
}

void write_axis_lines(OutputFile& out, const StepTables& step, const MaterialElements& elements) {
  auto lists = collect<2>(step, elements, out.name(), [](int line, double x, double y, double z) {
    return z == 0.0 && (line == 0 ? y == 0.0 : x == 0.0);
  });
  for (auto& [material, entry] : lists) {
    order_by_selection(entry.lines[0], step.node_x);
    order_by_selection(entry.lines[1], step.node_y);
    write_block(out, step, material, entry.lines[0]);
    write_block(out, step, material, entry.lines[1]);
  }
}

}  // namespace meridian
