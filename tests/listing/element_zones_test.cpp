// Zones and node counts against the level-by-level expansion of the solver's
// post-processors, written out here as the reference.

#include "listing/element_zones.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace meridian {
namespace {

// The level-by-level procedure, element against element.
ElementZones reference_zones(const std::vector<ElementCorners>& elements) {
  ElementZones zones;
  const std::size_t count = elements.size();
  if (count == 0) return zones;
  zones.element_zone.assign(count, 0);
  std::vector<int> mark(count, 0);
  std::size_t seed = 0;
  std::int32_t z = 1;
  for (;;) {
    zones.element_zone[seed] = z;
    std::fill(mark.begin(), mark.end(), 0);
    mark[seed] = 2;
    int level = 2;
    for (;;) {
      bool marked = false;
      for (std::size_t k = 0; k < count; ++k) {
        if (mark[k] != level) continue;
        for (std::int32_t node : elements[k]) {
          for (std::size_t j = 0; j < count; ++j) {
            if (j == k || mark[j] == 1) continue;
            for (std::int32_t other : elements[j]) {
              if (other == node) {
                mark[j] = level + 1;
                zones.element_zone[j] = z;
                marked = true;
                break;
              }
            }
          }
        }
        mark[k] = 1;
      }
      if (!marked) break;
      ++level;
    }
    std::size_t next = 0;
    while (next < count && zones.element_zone[next] != 0) ++next;
    if (next == count) break;
    seed = next;
    ++z;
  }
  zones.zone_count = z;
  zones.zone_element_counts.assign(static_cast<std::size_t>(z), 0);
  for (std::int32_t zone : zones.element_zone)
    ++zones.zone_element_counts[static_cast<std::size_t>(zone - 1)];
  return zones;
}

TEST(ElementZones, NoElementNoZone) {
  const ElementZones zones = form_element_zones({}, 10);
  EXPECT_EQ(zones.zone_count, 0);
  EXPECT_TRUE(zones.element_zone.empty());
  EXPECT_TRUE(zones.zone_element_counts.empty());
}

TEST(ElementZones, ChainJoinedOnlyThroughALaterElement) {
  // 1 and 2 share nothing, 3 joins them: one zone.
  const std::vector<ElementCorners> elements = {{1, 1, 1, 1, 1, 1, 1, 1},
                                                {2, 2, 2, 2, 2, 2, 2, 2},
                                                {1, 2, 3, 3, 3, 3, 3, 3},
                                                {4, 4, 4, 4, 4, 4, 4, 4}};
  const ElementZones zones = form_element_zones(elements, 4);
  EXPECT_EQ(zones.zone_count, 2);
  EXPECT_EQ(zones.element_zone, (std::vector<std::int32_t>{1, 1, 1, 2}));
  EXPECT_EQ(zones.zone_element_counts, (std::vector<std::int32_t>{3, 1}));
}

TEST(ElementZones, UnprintedRowsOfNodeZeroShareAZone) {
  const std::vector<ElementCorners> elements = {
      ElementCorners{}, {1, 2, 3, 4, 5, 6, 7, 8}, ElementCorners{}};
  const ElementZones zones = form_element_zones(elements, 8);
  EXPECT_EQ(zones.element_zone, (std::vector<std::int32_t>{1, 2, 1}));
}

TEST(ElementZones, MatchTheLevelByLevelExpansionOnRandomMeshes) {
  std::mt19937 random(12345);
  for (int trial = 0; trial < 300; ++trial) {
    const int nodes = 1 + static_cast<int>(random() % 60);
    const int count = static_cast<int>(random() % 25);
    std::uniform_int_distribution<int> node(1, nodes);
    std::vector<ElementCorners> elements(static_cast<std::size_t>(count));
    for (auto& corners : elements) {
      for (auto& c : corners) c = node(random);
    }
    const ElementZones expected = reference_zones(elements);
    const ElementZones zones = form_element_zones(elements, nodes);
    ASSERT_EQ(zones.zone_count, expected.zone_count) << "trial " << trial;
    ASSERT_EQ(zones.element_zone, expected.element_zone) << "trial " << trial;
    ASSERT_EQ(zones.zone_element_counts, expected.zone_element_counts) << "trial " << trial;
  }
}

TEST(CountElementNodes, CountsEachCornerNodeOnce) {
  const std::vector<ElementCorners> elements = {{1, 2, 3, 4, 5, 6, 7, 8},
                                                {5, 6, 7, 8, 9, 10, 11, 12}};
  EXPECT_EQ(count_element_nodes(elements, 14), 12);
  EXPECT_EQ(count_element_nodes(elements, 0), 0);
  EXPECT_EQ(count_element_nodes({}, 5), 0);
  // Node 0 of an unprinted row is no node.
  EXPECT_EQ(count_element_nodes(std::vector<ElementCorners>{ElementCorners{}}, 5), 0);
}

}  // namespace
}  // namespace meridian
