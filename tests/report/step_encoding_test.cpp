// The page's 16-bit values: every value comes back within 1/131070 of its
// channel's range, the extremes exactly, a constant channel exactly; and
// the peaks are the largest values, the lowest node of a tie.

#include "report/step_encoding.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace meridian {
namespace {

struct RangeCase {
  const char* name;
  std::vector<double> values;
};

TEST(StepEncoding, ValuesComeBackWithinAFractionOfTheRange) {
  const std::vector<RangeCase> cases = {
      {"constant", {3.25, 3.25, 3.25}},
      {"one spike", {0.0, 0.0, 1e6, 0.0, 1e-3}},
      {"negative", {-84.0, -21.39, -0.5, -83.38}},
      {"huge", {-1e99, 3e98, 1e99, 7.5e97}},
      {"tiny", {1e-99, 3e-99, -2e-99, 0.0}},
      {"mixed signs and magnitudes", {-1e-9, 1e12, 0.1, -7.0e11, 33.0}},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
    const ChannelRange range{*low, *high};
    const double span = range.high - range.low;
    for (const double v : c.values) {
      const std::uint16_t code = encode_value(v, range);
      const double back = decode_value(code, range);
      EXPECT_LE(std::abs(back - v), span / 131070.0 * (1 + 1e-12)) << v;
      if (v == range.low || v == range.high) {
        EXPECT_EQ(back, v) << "an extreme comes back exactly";
      }
    }
  }
}

TEST(StepEncoding, PeaksAreTheLargestValuesOfAllNodes) {
  // Three nodes: node 3 has the largest effective stress and temperature,
  // nodes 1 and 2 tie on the displacement magnitude (the lower one wins).
  const std::vector<double> x{0, 1, 2}, y{0, 0, 0}, z{0, 0, 1};
  const std::vector<ElementCorners> elements{{1, 2, 3, 3, 1, 2, 3, 3}};
  StepResults results;
  results.node_count = 3;
  results.node_capacity = 3;
  results.node_x = x;
  results.node_y = y;
  results.node_z = z;
  results.element_nodes = elements;
  const std::vector<double> node_result{0.3, 0.4, 0, 20, 0, 0.5, 0, 21, 0.1, 0, 0, 25};
  const std::vector<double> node_stress{-5, 1, 0, 0, 0, 0, 10,  -2, 2, 0, 0, 0, 0, 10,
                                        -9, 0, 0, 0, 0, 0, 12};
  const auto peaks = step_peaks(results, node_result, node_stress, StressPeak{99.5, 1});
  EXPECT_EQ(peaks[0].number, 3);  // effective stress
  EXPECT_EQ(peaks[0].value, 12);
  EXPECT_EQ(peaks[0].xyz[2], 1);
  EXPECT_EQ(peaks[1].number, 2);  // XX: -2 is the largest
  EXPECT_EQ(peaks[7].number, 1);  // displacement 0.5, a tie with node 2
  EXPECT_EQ(peaks[7].value, 0.5);
  EXPECT_EQ(peaks[8].number, 3);  // temperature
  EXPECT_EQ(peaks[9].number, 1);  // the integration-point element
  EXPECT_EQ(peaks[9].value, 99.5);
  EXPECT_DOUBLE_EQ(peaks[9].xyz[0], (0 + 1 + 2 + 2 + 0 + 1 + 2 + 2) / 8.0) << "the element's centroid";
}

}  // namespace
}  // namespace meridian
