#pragma once
// The figures an engineer looks at first, one row per printed time step:
// the peak displacement, the peak nodal and integration-point effective
// stresses and the temperature range, as summary.csv and the report's table
// give them.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/step_values.hpp"

namespace meridian {

struct StepSummary {
  std::int32_t step = 0;
  // Largest sqrt(dx*dx + dy*dy + dz*dz) of the printed (unmagnified)
  // displacements and the lowest node that has it.
  double max_displacement = 0.0;
  std::int32_t max_displacement_node = 0;
  // Largest nodal effective stress (the MISES of the stress files, 0.0 for a
  // node in no element) and the lowest node that has it.
  double max_effective_stress = 0.0;
  std::int32_t max_effective_stress_node = 0;
  // The step's peak integration-point effective stress and its element.
  StressPeak max_ip_effective_stress;
  double min_temperature = 0.0;
  double max_temperature = 0.0;
};

// The summary of step `step` over nodes 1..node_count of its nodal printout
// (node-major, 4 per node: dx, dy, dz, temperature) and averaged stresses
// (node-major, 7 per node, the effective stress last). Without nodes every
// value is 0 and every node number 0.
StepSummary summarize_step(std::int32_t step, std::int32_t node_count,
                           std::span<const double> node_result,
                           std::span<const double> node_stress, const StressPeak& peak);

// The header record of summary.csv (without its line end).
std::string_view summary_header();

// The record of one step: integers plain, reals as the shortest text that
// reads back to the same double (without its line end).
std::string summary_record(const StepSummary& summary);

}  // namespace meridian
