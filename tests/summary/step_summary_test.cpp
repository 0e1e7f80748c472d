// The summary of a step against a computation written here: the peaks and
// their lowest node, ties included, and the text of summary.csv's records.

#include "summary/step_summary.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace meridian::testing {
namespace {

// A step of a small model: per node dx, dy, dz, temperature and effective
// stress (the other stress components are filled with noise that must not
// count).
struct NodeRow {
  double dx, dy, dz, temperature, effective;
};

struct SummaryCase {
  std::string name;
  std::vector<NodeRow> nodes;
  StressPeak peak;
};

// The expected row, computed independently: each quantity in its own pass,
// the first index where the extreme is reached.
std::string expected_record(std::int32_t step, const SummaryCase& c) {
  const auto text = [](auto value) {
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  };
  double best_displacement = 0.0, best_effective = 0.0, low = 0.0, high = 0.0;
  std::size_t at_displacement = 0, at_effective = 0;
  std::vector<double> magnitudes;
  for (const NodeRow& r : c.nodes) magnitudes.push_back(std::sqrt(r.dx * r.dx + r.dy * r.dy + r.dz * r.dz));
  for (std::size_t i = c.nodes.size(); i-- > 0;) {
    if (i + 1 == c.nodes.size() || magnitudes[i] >= best_displacement) {
      best_displacement = magnitudes[i];
      at_displacement = i + 1;
    }
    if (i + 1 == c.nodes.size() || c.nodes[i].effective >= best_effective) {
      best_effective = c.nodes[i].effective;
      at_effective = i + 1;
    }
    if (i + 1 == c.nodes.size() || c.nodes[i].temperature < low) low = c.nodes[i].temperature;
    if (i + 1 == c.nodes.size() || c.nodes[i].temperature > high) high = c.nodes[i].temperature;
  }
  return text(step) + "," + text(best_displacement) + "," + text(static_cast<int>(at_displacement)) +
         "," + text(best_effective) + "," + text(static_cast<int>(at_effective)) + "," +
         text(c.peak.value) + "," + text(c.peak.element) + "," + text(low) + "," + text(high);
}

const std::vector<SummaryCase> summary_cases = {
    {"one_node", {{0.001, -0.002, 0.0005, 20.0, 150.5}}, {160.25, 1}},
    {"peaks_on_different_nodes",
     {{0.0, 0.0, 0.0, 18.5, 10.0}, {0.003, 0.0, 0.0, 25.0, 12.0}, {0.0, 0.001, 0.0, -4.0, 99.0}},
     {120.0, 3}},
    // The same magnitude in different directions and the same stress on two
    // nodes: the lowest node wins.
    {"ties_go_to_the_lowest_node",
     {{0.0, 0.0, 0.0, 1.0, 5.0}, {0.0, 0.002, 0.0, 1.0, 7.0}, {0.002, 0.0, 0.0, 1.0, 7.0},
      {0.0, 0.0, -0.002, 1.0, 3.0}},
     {7.0, 2}},
    // A model at rest (and nodes in no element, whose stress is 0.0).
    {"all_zero", {{0.0, 0.0, 0.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0, 0.0}}, {0.0, 0}},
    {"shortest_text_of_awkward_values",
     {{0.1, 0.2, 0.3, 1e-7, 1.0 / 3.0}, {1e-300, 0.0, 0.0, 12345678.9, 2.5e20}}, {2.5e20, 1}},
};

class StepSummaries : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(StepSummaries, RecordMatchesAnIndependentComputation) {
  const SummaryCase& c = GetParam();
  std::vector<double> result, stress;
  double noise = 1e6;
  for (const NodeRow& r : c.nodes) {
    result.insert(result.end(), {r.dx, r.dy, r.dz, r.temperature});
    for (int k = 0; k < 6; ++k) stress.push_back(noise += 1.0);
    stress.push_back(r.effective);
  }
  const auto count = static_cast<std::int32_t>(c.nodes.size());
  const StepSummary summary = summarize_step(4, count, result, stress, c.peak);
  EXPECT_EQ(summary_record(summary), expected_record(4, c));
}

INSTANTIATE_TEST_SUITE_P(Steps, StepSummaries, ::testing::ValuesIn(summary_cases),
                         [](const auto& info) { return info.param.name; });

TEST(StepSummary, OnlyTheFirstNodeCountNodesCount) {
  // Node 2 lies beyond node_count (a ground node of a spring): its values do not count.
  const std::vector<double> result = {0.001, 0.0, 0.0, 5.0, 9.0, 9.0, 9.0, 99.0};
  const std::vector<double> stress = {0, 0, 0, 0, 0, 0, 1.5, 0, 0, 0, 0, 0, 0, 500.0};
  EXPECT_EQ(summary_record(summarize_step(1, 1, result, stress, {})), "1,0.001,1,1.5,1,0,0,5,5");
}

TEST(StepSummary, WithoutNodesEverythingIsZero) {
  EXPECT_EQ(summary_record(summarize_step(2, 0, {}, {}, {})), "2,0,0,0,0,0,0,0,0");
}

TEST(StepSummary, HeaderNamesTheColumnsInOrder) {
  EXPECT_EQ(summary_header(),
            "step,max_displacement,max_displacement_node,max_effective_stress,"
            "max_effective_stress_node,max_ip_effective_stress,max_ip_effective_stress_element,"
            "min_temperature,max_temperature");
}

}  // namespace
}  // namespace meridian::testing
