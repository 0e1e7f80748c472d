#include "summary/step_summary.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>

#include "records/shortest_numbers.hpp"

namespace meridian {

StepSummary summarize_step(std::int32_t step, std::int32_t node_count,
                           std::span<const double> node_result,
                           std::span<const double> node_stress, const StressPeak& peak) {
  StepSummary summary;
  summary.step = step;
  summary.max_ip_effective_stress = peak;
  for (std::int32_t node = 1; node <= node_count; ++node) {
    const std::size_t i = static_cast<std::size_t>(node - 1);
    const double* result = node_result.data() + i * 4;
    // In this order, each operation rounded on its own (no contraction).
    const double xx = result[0] * result[0];
    const double yy = result[1] * result[1];
    const double zz = result[2] * result[2];
    const double displacement = std::sqrt(xx + yy + zz);
    const double effective = node_stress[i * 7 + 6];
    const double temperature = result[3];
    // Nodes in ascending order, a later node taking over only when strictly
    // larger (smaller): ties keep the lowest node.
    if (node == 1) {
      summary.max_displacement = displacement;
      summary.max_effective_stress = effective;
      summary.min_temperature = temperature;
      summary.max_temperature = temperature;
      summary.max_displacement_node = node;
      summary.max_effective_stress_node = node;
      continue;
    }
    if (displacement > summary.max_displacement) {
      summary.max_displacement = displacement;
      summary.max_displacement_node = node;
    }
    if (effective > summary.max_effective_stress) {
      summary.max_effective_stress = effective;
      summary.max_effective_stress_node = node;
    }
    if (temperature < summary.min_temperature) summary.min_temperature = temperature;
    if (temperature > summary.max_temperature) summary.max_temperature = temperature;
  }
  return summary;
}

std::string_view summary_header() {
  return "step,max_displacement,max_displacement_node,max_effective_stress,"
         "max_effective_stress_node,max_ip_effective_stress,max_ip_effective_stress_element,"
         "min_temperature,max_temperature";
}

std::string summary_record(const StepSummary& s) {
  std::string text;
  append_shortest(text, s.step);
  const auto next = [&text] { text += ','; };
  next();
  append_shortest(text, s.max_displacement);
  next();
  append_shortest(text, s.max_displacement_node);
  next();
  append_shortest(text, s.max_effective_stress);
  next();
  append_shortest(text, s.max_effective_stress_node);
  next();
  append_shortest(text, s.max_ip_effective_stress.value);
  next();
  append_shortest(text, s.max_ip_effective_stress.element);
  next();
  append_shortest(text, s.min_temperature);
  next();
  append_shortest(text, s.max_temperature);
  return text;
}

}  // namespace meridian
