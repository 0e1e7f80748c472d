#pragma once
// The input-deck reader: reads nodes, hexahedra, sliding interfaces and nodal
// temperatures from the solver input deck nikein.txt.

#include <cstdint>
#include <vector>

#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "model/undeformed_model.hpp"

namespace meridian {

// The model read from an input deck. Tables are indexed from 0 (position i holds
// row i+1); node numbers stored as values are 1-based and lie in 1..node_count.
struct InputDeck {
  std::int32_t node_count = 0;
  std::int32_t element_count = 0;
  std::int32_t interface_count = 0;
  std::vector<double> node_x, node_y, node_z;
  std::vector<std::int32_t> node_constraint;
  std::vector<double> node_temperature;
  std::vector<double> nodal_loads;  // node_count x 3, all zero (the deck's loads are not read)
  std::vector<std::int32_t> element_material;
  std::vector<ElementCorners> element_nodes;
  // One zone holding every element in card order; empty when there is no element.
  std::vector<std::int32_t> zone_element_counts;
  std::vector<InterfaceSides> interface_segments;  // one entry per interface
};

// Largest node, element or interface count a deck's control record may give;
// anything above it ends the run instead of sizing tables from it.
inline constexpr std::int32_t max_deck_count = 10'000'000;

// Reads the deck's sections from `deck`, positioned at its first record.
InputDeck parse_input_deck(InputFile& deck);

// The model view of a deck: one load case of zero loads, no springs.
ModelView deck_model_view(const InputDeck& deck);

// Opens nikein.txt in the current directory and reads it whole; the file is
// closed on return.
InputDeck read_input_deck();

}  // namespace meridian
