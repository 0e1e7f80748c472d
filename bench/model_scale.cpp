// Scale benchmark of the model-wide passes on a block of n x n x n hexahedra
// (1,000,000 elements for n = 100): element zones, the count of element
// nodes, and one step of nodal averaging (every element's 8 x 7 printout
// values extrapolated and added to its corners, then the averages).
//
// Usage: bench_model [n]
// Prints "zones <seconds>", "node_count <seconds>", "averaging <seconds>".

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_timer.hpp"
#include "listing/element_zones.hpp"
#include "model/nodal_stress.hpp"

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100;
  if (n < 1 || n > 400) {
    std::fprintf(stderr, "usage: bench_model [n, 1..400]\n");
    return 2;
  }
  const int m = n + 1;
  const auto node = [m](int i, int j, int k) { return 1 + i + m * (j + m * k); };
  std::vector<meridian::ElementCorners> elements;
  elements.reserve(static_cast<std::size_t>(n) * n * n);
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        elements.push_back({node(i, j, k), node(i + 1, j, k), node(i + 1, j + 1, k),
                            node(i, j + 1, k), node(i, j, k + 1), node(i + 1, j, k + 1),
                            node(i + 1, j + 1, k + 1), node(i, j + 1, k + 1)});
      }
    }
  }
  const std::int32_t node_capacity = m * m * m;
  std::printf("elements %zu nodes %d\n", elements.size(), node_capacity);

  meridian::bench::Stopwatch zones_watch;
  const meridian::ElementZones zones = meridian::form_element_zones(elements, node_capacity);
  std::printf("zones %.3f (%d zone)\n", zones_watch.seconds(), zones.zone_count);

  meridian::bench::Stopwatch count_watch;
  const std::int32_t used = meridian::count_element_nodes(elements, node_capacity);
  std::printf("node_count %.3f (%d nodes)\n", count_watch.seconds(), used);

  meridian::ElementPrintout gauss{};
  std::vector<double> node_stress(static_cast<std::size_t>(node_capacity) * 7);
  meridian::bench::Stopwatch average_watch;
  meridian::NodalStressAccumulator accumulator(node_capacity);
  accumulator.start_step();
  for (std::size_t e = 0; e < elements.size(); ++e) {
    for (std::size_t p = 0; p < 8; ++p) {
      for (std::size_t c = 0; c < 7; ++c) {
        gauss[p][c] = static_cast<double>((e * 56 + p * 7 + c) % 1999) - 999.0;
      }
    }
    accumulator.add_element(elements[e], gauss);
  }
  accumulator.finish(node_stress);
  std::printf("averaging %.3f (node 1: %.6g)\n", average_watch.seconds(), node_stress[0]);
  return 0;
}
