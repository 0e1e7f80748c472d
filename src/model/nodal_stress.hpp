#pragma once
// Nodal stresses of one step: the stresses printed at the 8 integration points
// of each hexahedron are extrapolated to its corners and averaged over the
// elements that meet at each node. Elements are added in ascending order and,
// within an element, corners in ascending order, so every node's sums are formed
// in exactly that order.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/mesh.hpp"

namespace meridian {

// Values of one element's printout: gauss[p][c] is component c (XX, YY, ZZ, XY,
// YZ, ZX, effective stress) at integration point p+1.
using ElementPrintout = std::array<std::array<double, 7>, 8>;

class NodalStressAccumulator {
 public:
  explicit NodalStressAccumulator(std::int32_t node_capacity);
  // Clears the sums for a new step.
  void start_step();
  // Adds one element's extrapolated corner values to its corner nodes. Corner
  // node numbers must lie in 1..node_capacity.
  void add_element(const ElementCorners& corners, const ElementPrintout& gauss);
  // node_stress (node_capacity*7, node-major): sum/count per node; a node that
  // belongs to no element gets 0.0.
  void finish(std::span<double> node_stress) const;

 private:
  std::int32_t node_capacity_;
  std::vector<double> sums_;          // node-major, 7 per node
  std::vector<std::int32_t> counts_;
};

}  // namespace meridian
