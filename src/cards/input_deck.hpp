#pragma once
// The input-deck viewer: reads nodes, hexahedra, sliding interfaces and nodal
// temperatures from the solver input deck nikein.txt and writes the model views.

#include <cstdint>

namespace meridian {

void read_input_deck(std::int32_t job_code);

}  // namespace meridian
