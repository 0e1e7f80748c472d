#include "report/step_encoding.hpp"

#include <algorithm>
#include <cmath>

namespace meridian {

std::uint16_t encode_value(double value, const ChannelRange& range) {
  const double span = range.high - range.low;
  if (!(span > 0.0)) return 0;
  const double fraction = std::clamp((value - range.low) / span, 0.0, 1.0);
  return static_cast<std::uint16_t>(std::lround(fraction * 65535.0));
}

double decode_value(std::uint16_t code, const ChannelRange& range) {
  if (code == 65535) return range.high;
  return range.low + (range.high - range.low) * code / 65535.0;
}

std::array<PeakPlace, 10> step_peaks(const StepResults& results, std::span<const double> node_result,
                                     std::span<const double> node_stress, StressPeak ip_peak) {
  std::array<PeakPlace, 10> peaks{};
  const std::size_t nodes = std::min({static_cast<std::size_t>(std::max(results.node_count, 0)),
                                      node_result.size() / 4, node_stress.size() / 7,
                                      results.node_x.size(), results.node_y.size(),
                                      results.node_z.size()});
  const auto place = [&](PeakPlace& peak, std::size_t i, double value) {
    peak.number = static_cast<std::int32_t>(i + 1);
    peak.value = value;
    peak.xyz = {results.node_x[i], results.node_y[i], results.node_z[i]};
    peak.displacement = {node_result[4 * i], node_result[4 * i + 1], node_result[4 * i + 2]};
  };
  for (std::size_t i = 0; i < nodes; ++i) {
    const double* stress = &node_stress[7 * i];
    const double* result = &node_result[4 * i];
    const std::array<double, 9> values = {
        stress[6], stress[0], stress[1], stress[2], stress[3], stress[4], stress[5],
        std::sqrt(result[0] * result[0] + result[1] * result[1] + result[2] * result[2]),
        result[3]};
    for (std::size_t q = 0; q < values.size(); ++q) {
      if (peaks[q].number == 0 || values[q] > peaks[q].value) place(peaks[q], i, values[q]);
    }
  }
  PeakPlace& ip = peaks[9];
  const std::size_t element = static_cast<std::size_t>(ip_peak.element);
  if (ip_peak.element >= 1 && element <= results.element_nodes.size()) {
    ip.number = ip_peak.element;
    ip.value = ip_peak.value;
    int corners = 0;
    for (const std::int32_t node : results.element_nodes[element - 1]) {
      const std::size_t i = static_cast<std::size_t>(node - 1);
      if (node < 1 || i >= nodes) continue;
      ip.xyz[0] += results.node_x[i];
      ip.xyz[1] += results.node_y[i];
      ip.xyz[2] += results.node_z[i];
      for (std::size_t d = 0; d < 3; ++d) ip.displacement[d] += node_result[4 * i + d];
      ++corners;
    }
    for (std::size_t d = 0; d < 3 && corners > 0; ++d) {
      ip.xyz[d] /= corners;
      ip.displacement[d] /= corners;
    }
  }
  return peaks;
}

}  // namespace meridian
