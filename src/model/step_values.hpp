#pragma once
// The values of one printed time step as the listing reader hands them to the
// writers: the nodal printout and the averaged nodal stresses of every node,
// the step's integration-point peak, the integration-point values of the
// elements a run keeps, and the discrete printout of every spring.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace meridian {

// The largest effective stress printed at an integration point in one step
// and the lowest element that has it (its position in the element table, from
// 1); element 0 when the step printed no element's stresses.
struct StressPeak {
  double value = 0.0;
  std::int32_t element = 0;
};


// Values an element printout gives per element: 7 (XX, YY, ZZ, XY, YZ, ZX,
// effective stress) at each of its 8 integration points, point by point.
inline constexpr std::size_t element_point_values = 8 * 7;

// Which elements' integration-point values a run keeps with every step: none
// (the default), every element, or those listed.
struct KeptElements {
  bool every = false;
  std::vector<std::int32_t> listed;  // ascending, without repeats; when not `every`
  // Besides: every element's largest integration-point effective stress
  // (StepValues::element_peaks).
  bool peaks = false;

  bool any() const { return every || !listed.empty(); }
  // How many elements of a model of `element_capacity` are kept.
  std::size_t count(std::int32_t element_capacity) const {
    return every ? static_cast<std::size_t>(std::max(element_capacity, 0)) : listed.size();
  }
  // The position of `element` among the kept ones, or -1.
  std::int64_t position(std::int32_t element) const {
    if (every) return element >= 1 ? element - 1 : -1;
    const auto found = std::lower_bound(listed.begin(), listed.end(), element);
    if (found == listed.end() || *found != element) return -1;
    return found - listed.begin();
  }
};

struct StepValues {
  // Node-major, 4 per node: x-, y-, z-displacement, temperature
  // (node_capacity rows).
  std::vector<double> node_result;
  // Node-major, 7 per node: XX, YY, ZZ, XY, YZ, ZX, effective stress,
  // extrapolated and averaged (0 for a node in no element).
  std::vector<double> node_stress;
  // The step's largest integration-point effective stress and its element.
  StressPeak peak;
  // element_point_values per kept element, in ascending element order (0
  // where the step printed no element values).
  std::vector<double> element_points;
  // Per element (element_capacity rows, when KeptElements::peaks): its
  // largest integration-point effective stress.
  std::vector<double> element_peaks;
  // Per spring: the discrete printout's deflection (b - a) and force (c).
  std::vector<double> spring_deflection, spring_force;
};

}  // namespace meridian
