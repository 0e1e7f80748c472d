#include "history/history_file.hpp"

#include <array>
#include <cmath>
#include <string_view>

#include "records/fatal.hpp"
#include "records/shortest_numbers.hpp"

namespace meridian {
namespace {

constexpr std::string_view history_name = "history.csv";

constexpr std::array<std::string_view, 6> components = {"xx", "yy", "zz", "xy", "yz", "zx"};

void append_value(std::string& text, double value) {
  text += ',';
  append_shortest(text, value);
}

}  // namespace

std::string history_header(const std::vector<HistoryItem>& items) {
  std::string text = "step";
  for (const HistoryItem& item : items) {
    const std::string n = std::to_string(item.number);
    switch (item.kind) {
      case HistoryItem::Kind::node: {
        const std::string node = ",node_" + n + "_";
        for (const char* axis : {"x", "y", "z"}) text += node + axis + "_displacement";
        text += node + "displacement";
        for (const std::string_view c : components) text += node + "stress_" + std::string(c);
        text += node + "effective_stress";
        text += node + "temperature";
        break;
      }
      case HistoryItem::Kind::element:
        for (int k = 1; k <= 8; ++k) {
          const std::string point = ",element_" + n + "_ip" + std::to_string(k) + "_";
          for (const std::string_view c : components) text += point + "stress_" + std::string(c);
          text += point + "effective_stress";
        }
        break;
      case HistoryItem::Kind::spring:
        text += ",spring_" + n + "_deflection,spring_" + n + "_force";
        break;
    }
  }
  return text;
}

std::string history_record(std::int32_t step, const std::vector<HistoryItem>& items,
                           const KeptElements& kept, const StepValues& values) {
  std::string text;
  append_shortest(text, step);
  for (const HistoryItem& item : items) {
    const auto i = static_cast<std::size_t>(item.number - 1);
    switch (item.kind) {
      case HistoryItem::Kind::node: {
        if ((i + 1) * 7 > values.node_stress.size() || (i + 1) * 4 > values.node_result.size()) {
          fail_file(history_name, "a step holds fewer nodes than " + history_item_name(item));
        }
        const double* result = values.node_result.data() + i * 4;
        const double* stress = values.node_stress.data() + i * 7;
        // As summary.csv forms the magnitude: each operation rounded on its
        // own, in this order.
        const double xx = result[0] * result[0];
        const double yy = result[1] * result[1];
        const double zz = result[2] * result[2];
        for (int d = 0; d < 3; ++d) append_value(text, result[d]);
        append_value(text, std::sqrt(xx + yy + zz));
        for (int c = 0; c < 7; ++c) append_value(text, stress[c]);
        append_value(text, result[3]);
        break;
      }
      case HistoryItem::Kind::element: {
        const std::int64_t at = kept.position(item.number);
        const auto first = static_cast<std::size_t>(at) * element_point_values;
        if (at < 0 || first + element_point_values > values.element_points.size()) {
          fail_file(history_name, "a step keeps no values of " + history_item_name(item));
        }
        for (std::size_t v = 0; v < element_point_values; ++v) {
          append_value(text, values.element_points[first + v]);
        }
        break;
      }
      case HistoryItem::Kind::spring:
        if (i >= values.spring_force.size() || i >= values.spring_deflection.size()) {
          fail_file(history_name, "a step holds fewer springs than " + history_item_name(item));
        }
        append_value(text, values.spring_deflection[i]);
        append_value(text, values.spring_force[i]);
        break;
    }
  }
  return text;
}

HistoryFile::HistoryFile(std::vector<HistoryItem> items, const KeptElements& kept,
                         PlacedFiles* placed, bool snapshots)
    : items_(std::move(items)),
      kept_(kept),
      file_(std::string(history_name), history_header(items_), placed, snapshots) {}

void HistoryFile::add_step(std::int32_t step, const StepValues& values) {
  file_.add_row(history_record(step, items_, kept_, values));
}

}  // namespace meridian
