#include "listing/element_zones.hpp"

#include <algorithm>
#include <cstddef>

namespace meridian {

namespace {

// Union-find over element positions, path halving; the root of a set is its
// lowest element, so the sets come out ordered by their lowest element.
class ElementSets {
 public:
  explicit ElementSets(std::size_t count) : parent_(count) {
    for (std::size_t i = 0; i < count; ++i) parent_[i] = static_cast<std::int32_t>(i);
  }
  std::int32_t find(std::int32_t e) {
    while (parent_[static_cast<std::size_t>(e)] != e) {
      auto& p = parent_[static_cast<std::size_t>(e)];
      p = parent_[static_cast<std::size_t>(p)];
      e = p;
    }
    return e;
  }
  void join(std::int32_t a, std::int32_t b) {
    a = find(a);
    b = find(b);
    if (a == b) return;
    if (a < b) {
      parent_[static_cast<std::size_t>(b)] = a;
    } else {
      parent_[static_cast<std::size_t>(a)] = b;
    }
  }

 private:
  std::vector<std::int32_t> parent_;
};

}  // namespace

ElementZones form_element_zones(std::span<const ElementCorners> element_nodes,
                                std::int32_t node_capacity) {
  ElementZones zones;
  const std::size_t count = element_nodes.size();
  if (count == 0) return zones;

  // For every node, the first element seen with it as a corner; every later
  // element with that corner joins the first one's set.
  const std::size_t node_slots =
      static_cast<std::size_t>(std::max<std::int32_t>(node_capacity, 0)) + 1;
  std::vector<std::int32_t> first_element(node_slots, -1);
  ElementSets sets(count);
  for (std::size_t e = 0; e < count; ++e) {
    for (std::int32_t node : element_nodes[e]) {
      if (node < 0 || static_cast<std::size_t>(node) >= node_slots) continue;
      std::int32_t& first = first_element[static_cast<std::size_t>(node)];
      if (first < 0) {
        first = static_cast<std::int32_t>(e);
      } else {
        sets.join(first, static_cast<std::int32_t>(e));
      }
    }
  }

  // Number the sets in the order of their lowest element.
  zones.element_zone.assign(count, 0);
  std::vector<std::int32_t> zone_of_root(count, 0);
  for (std::size_t e = 0; e < count; ++e) {
    const auto root = static_cast<std::size_t>(sets.find(static_cast<std::int32_t>(e)));
    if (zone_of_root[root] == 0) {
      zone_of_root[root] = ++zones.zone_count;
      zones.zone_element_counts.push_back(0);
    }
    const std::int32_t zone = zone_of_root[root];
    zones.element_zone[e] = zone;
    ++zones.zone_element_counts[static_cast<std::size_t>(zone - 1)];
  }
  return zones;
}

std::int32_t count_element_nodes(std::span<const ElementCorners> element_nodes,
                                 std::int32_t node_capacity) {
  if (node_capacity <= 0) return 0;
  std::vector<bool> used(static_cast<std::size_t>(node_capacity), false);
  std::int32_t count = 0;
  for (const ElementCorners& corners : element_nodes) {
    for (std::int32_t node : corners) {
      if (node < 1 || node > node_capacity) continue;
      if (!used[static_cast<std::size_t>(node - 1)]) {
        used[static_cast<std::size_t>(node - 1)] = true;
        ++count;
      }
    }
  }
  return count;
}

}  // namespace meridian
