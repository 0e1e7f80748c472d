#pragma once
// Rewrite of the discrete element (spring) section of the solver input deck
// nikein from the listing's springs, releasing the springs whose two nodes'
// displacements in the first printed time step select them.

#include <cstdint>
#include <span>

#include "files/console.hpp"

namespace meridian {

struct DeckSprings {
  std::int32_t node_capacity = 0;
  std::span<const std::int32_t> spring_node1, spring_node2;
  std::span<std::int32_t> spring_direction;  // a released spring gets code 1
  // Each spring's force in the last discrete printout read.
  std::span<const double> spring_force;
  // The first time step's nodal printout, node-major, 4 values per node.
  std::span<const double> node_result;
};

void rewrite_deck_springs(const DeckSprings& springs, Console& console);

}  // namespace meridian
