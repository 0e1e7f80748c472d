#include "history/history_items.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace meridian {
namespace {

constexpr std::array<std::pair<std::string_view, HistoryItem::Kind>, 3> kinds = {{
    {"node", HistoryItem::Kind::node},
    {"element", HistoryItem::Kind::element},
    {"spring", HistoryItem::Kind::spring},
}};

std::string_view kind_name(HistoryItem::Kind kind) {
  for (const auto& [name, k] : kinds) {
    if (k == kind) return name;
  }
  return {};
}

// One item "kind:N": N a positive integer of digits alone.
std::optional<HistoryItem> parse_item(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view kind = text.substr(0, colon);
  const std::string_view digits = text.substr(colon + 1);
  const auto known = std::find_if(kinds.begin(), kinds.end(),
                                  [kind](const auto& entry) { return entry.first == kind; });
  if (known == kinds.end() || digits.empty()) return std::nullopt;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::int32_t number = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (result.ec != std::errc() || number < 1) return std::nullopt;
  return HistoryItem{known->second, number};
}

// "nodes 1 to 12", "node 1", "no node".
std::string numbers_text(std::string_view kind, std::int32_t count) {
  const std::string name(kind);
  if (count <= 0) return "no " + name;
  if (count == 1) return name + " 1";
  return name + "s 1 to " + std::to_string(count);
}

}  // namespace

ParsedHistoryItems parse_history_items(std::string_view text) {
  ParsedHistoryItems parsed;
  const auto fail = [&parsed](std::string message) {
    parsed.items.clear();
    parsed.error = std::move(message);
    return parsed;
  };
  if (text.empty()) return fail("--history needs at least one item: node:N, element:N or spring:N");
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view part =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (part.empty()) {
      return fail("--history has an empty item in \"" + std::string(text) +
                  "\" (items are separated by single commas)");
    }
    const std::optional<HistoryItem> item = parse_item(part);
    if (!item) {
      return fail("--history item \"" + std::string(part) +
                  "\" is not node:N, element:N or spring:N with N a positive integer");
    }
    if (std::find(parsed.items.begin(), parsed.items.end(), *item) == parsed.items.end()) {
      parsed.items.push_back(*item);
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parsed;
}

std::string history_item_name(const HistoryItem& item) {
  return std::string(kind_name(item.kind)) + ":" + std::to_string(item.number);
}

std::optional<std::string> missing_history_item(const std::vector<HistoryItem>& items,
                                                 const HistoryRange& range) {
  for (const HistoryItem& item : items) {
    std::int32_t count = 0;
    std::string has;
    switch (item.kind) {
      case HistoryItem::Kind::node:
        count = range.node_count;
        has = "its stress files hold " + numbers_text("node", count);
        break;
      case HistoryItem::Kind::element:
        count = range.element_count;
        has = "it has " + numbers_text("element", count);
        break;
      case HistoryItem::Kind::spring:
        count = range.spring_count;
        has = "it has " + numbers_text("spring", count);
        break;
    }
    if (item.number > count) {
      return "--history names " + history_item_name(item) + ", which the model lacks: " + has;
    }
  }
  return std::nullopt;
}

std::vector<std::int32_t> history_elements(const std::vector<HistoryItem>& items) {
  std::vector<std::int32_t> elements;
  for (const HistoryItem& item : items) {
    if (item.kind == HistoryItem::Kind::element) elements.push_back(item.number);
  }
  std::sort(elements.begin(), elements.end());
  elements.erase(std::unique(elements.begin(), elements.end()), elements.end());
  return elements;
}

}  // namespace meridian
