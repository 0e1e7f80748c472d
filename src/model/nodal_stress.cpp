#include "model/nodal_stress.hpp"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace meridian {

namespace {

// Linear extrapolation from the 2x2x2 Gauss stations to the element corners.
// The solver's post-processors use this rounded value, not (sqrt(3) - 1) / 2
// (0.3660254037844386); the files are compared bit for bit, so it stays as is.
constexpr double corner_factor = 0.3660254193280634;

// The integration point diagonally opposite each corner's own point (0-based):
// 1<->7, 2<->8, 3<->5, 4<->6.
constexpr std::array<int, 8> opposite_point = {6, 7, 4, 5, 2, 3, 0, 1};

}  // namespace

NodalStressAccumulator::NodalStressAccumulator(std::int32_t node_capacity)
    : node_capacity_(std::max<std::int32_t>(node_capacity, 0)),
      sums_(static_cast<std::size_t>(node_capacity_) * 7, 0.0),
      counts_(static_cast<std::size_t>(node_capacity_), 0) {}

void NodalStressAccumulator::start_step() {
  std::fill(sums_.begin(), sums_.end(), 0.0);
  std::fill(counts_.begin(), counts_.end(), 0);
}

void NodalStressAccumulator::add_element(const ElementCorners& corners,
                                         const ElementPrintout& gauss) {
  for (int k = 0; k < 8; ++k) {
    const std::int32_t node = corners[k];
    // A corner without a node in the table (an element row the listing never
    // printed holds node 0) has nowhere to go.
    if (node < 1 || node > node_capacity_) continue;
    const auto& own = gauss[k];
    const auto& opposite = gauss[opposite_point[k]];
    double* sum = &sums_[static_cast<std::size_t>(node - 1) * 7];
    for (int c = 0; c < 7; ++c) {
      // Each operation rounded on its own, in this order (no contraction).
      const double difference = own[c] - opposite[c];
      const double scaled = difference * corner_factor;
      const double corner = scaled + own[c];
      sum[c] += corner;
    }
    ++counts_[static_cast<std::size_t>(node - 1)];
  }
}

void NodalStressAccumulator::finish(std::span<double> node_stress) const {
  if (node_stress.size() < sums_.size()) {
    throw std::invalid_argument("node_stress is smaller than node_capacity x 7");
  }
  for (std::size_t i = 0; i < counts_.size(); ++i) {
    const std::int32_t count = counts_[i];
    for (std::size_t c = 0; c < 7; ++c) {
      // A node that belongs to no element has no stress to average: 0.0.
      node_stress[i * 7 + c] = count == 0 ? 0.0 : sums_[i * 7 + c] / static_cast<double>(count);
    }
  }
}

}  // namespace meridian
