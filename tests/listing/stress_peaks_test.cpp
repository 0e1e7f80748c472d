// What the reader keeps for the report besides the tables: each step's peak
// integration-point effective stress with its element, and the listing's
// title.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/load_helpers.hpp"

namespace meridian::testing {
namespace {

// Two elements of a block, every printed value 100 but the spikes given
// (element, integration point, effective stress; values kept exactly by E11.3).
struct Spike {
  std::size_t element, point;
  double value;
};

struct PeakCase {
  std::string name;
  std::vector<Spike> spikes;
  StressPeak peak;
};

const std::vector<PeakCase> peak_cases = {
    {"all_equal_lowest_element", {}, {100.0, 1}},
    {"spike_at_the_last_point_of_element_two", {{1, 7, 250.0}}, {250.0, 2}},
    {"equal_spikes_lowest_element", {{1, 2, 250.0}, {0, 5, 250.0}}, {250.0, 1}},
    {"other_components_do_not_count", {{1, 3, 50.0}}, {100.0, 1}},
};

class StressPeaks : public ::testing::TestWithParam<PeakCase> {};

TEST_P(StressPeaks, LargestEffectiveStressAndItsLowestElement) {
  ListingFixture f;
  add_block(f, 2, 1, 1);
  add_simple_steps(f, 2);
  for (ListingStep& step : f.steps) {
    for (ElementPrintout& gauss : step.element_values)
      for (auto& point : gauss) point.fill(100.0);
  }
  // Spikes in step 2 only; a spike of the effective stress (component 7), the
  // other components raised to 900 at the same point.
  for (const Spike& s : GetParam().spikes) {
    auto& point = f.steps[1].element_values[s.element][s.point];
    point.fill(900.0);
    point[6] = s.value;
  }
  const ListingModel model = load_fixture(f);
  ASSERT_EQ(model.steps.step_count(), 2);
  StepValues first, second;
  model.steps.load(1, first);
  model.steps.load(2, second);
  EXPECT_EQ(first.peak.value, 100.0);
  EXPECT_EQ(first.peak.element, 1);
  EXPECT_EQ(second.peak.value, GetParam().peak.value);
  EXPECT_EQ(second.peak.element, GetParam().peak.element);
}

INSTANTIATE_TEST_SUITE_P(Steps, StressPeaks, ::testing::ValuesIn(peak_cases),
                         [](const auto& info) { return info.param.name; });

TEST(ListingTitle, WithoutPageNumberAndBlanks) {
  for (const std::string title : {"slab on springs", "case 12", "  indented  "}) {
    ListingFixture f;
    f.title = title;
    add_block(f, 1, 1, 1);
    const std::size_t first = title.find_first_not_of(' ');
    const std::size_t last = title.find_last_not_of(' ');
    EXPECT_EQ(load_fixture(f).title, title.substr(first, last - first + 1));
  }
}

}  // namespace
}  // namespace meridian::testing
