#pragma once
// How the page carries a step's values: per quantity channel the lowest and
// highest value of the step, and every value as a 16-bit fraction of that
// range (22 bytes per surface node and step, against 44 for 32-bit floats).
// A value comes back within 1/131070 of its channel's range, far finer than
// a colour map shows; the extremes come back exactly. The peaks the page
// marks are carried exactly beside them.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/step_results.hpp"

namespace meridian {

// The range of one channel in one step.
struct ChannelRange {
  double low = 0.0;
  double high = 0.0;
};

// The 16-bit value of `value` in `range` (0 at low, 65535 at high).
std::uint16_t encode_value(double value, const ChannelRange& range);
// The value a 16-bit value stands for; the page decodes with the same
// arithmetic.
double decode_value(std::uint16_t code, const ChannelRange& range);

// The node (or, for the integration points, the element) holding a step's
// largest value of a quantity, its value, where it is (undeformed) and its
// displacement; number 0 when there is none.
struct PeakPlace {
  std::int32_t number = 0;
  double value = 0.0;
  std::array<double, 3> xyz{};
  std::array<double, 3> displacement{};
};

// The quantities the page colours by, whose peaks it marks, in its order:
// effective stress, XX, YY, ZZ, XY, YZ, ZX, displacement magnitude,
// temperature; then the integration-point effective stress.
inline constexpr std::array<std::string_view, 10> peak_names = {
    "mises", "xx", "yy", "zz", "xy", "yz", "zx", "displacement", "temperature", "ip"};

// A step's peaks over all `node_count` nodes (the lowest node of a tie),
// and the element of the integration-point peak with its centroid.
std::array<PeakPlace, 10> step_peaks(const StepResults& results, std::span<const double> node_result,
                                     std::span<const double> node_stress, StressPeak ip_peak);

}  // namespace meridian
