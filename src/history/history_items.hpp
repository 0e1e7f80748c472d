#pragma once
// The points whose histories --history=ITEMS follows over the time steps:
// nodes, elements and springs, named as "node:N", "element:N", "spring:N".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridian {

struct HistoryItem {
  enum class Kind { node, element, spring };
  Kind kind = Kind::node;
  std::int32_t number = 0;  // from 1

  friend bool operator==(const HistoryItem&, const HistoryItem&) = default;
};

// The items of ITEMS (comma-separated, no blanks), in the order given, an
// item named twice kept where it is first named; or the one-line message of
// what is wrong with the text.
struct ParsedHistoryItems {
  std::vector<HistoryItem> items;
  std::string error;  // empty when the text is sound
};
ParsedHistoryItems parse_history_items(std::string_view text);

// "node:12" and so on.
std::string history_item_name(const HistoryItem& item);

// What a model has for its items: nodes 1..node_count (those of the stress
// files), elements 1..element_count and springs 1..spring_count.
struct HistoryRange {
  std::int32_t node_count = 0;
  std::int32_t element_count = 0;
  std::int32_t spring_count = 0;
};

// The message naming the first item the model lacks and what it has, or
// nothing when it has them all.
std::optional<std::string> missing_history_item(const std::vector<HistoryItem>& items,
                                                 const HistoryRange& range);

// The elements among the items, ascending and once each.
std::vector<std::int32_t> history_elements(const std::vector<HistoryItem>& items);

}  // namespace meridian
