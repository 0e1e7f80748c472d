#pragma once
// The model generator: reads parameter_in.txt section by section, meshes its
// blocks and places constraints, loads, interfaces, pressure regions and
// springs, and writes the solver input cards and the model views.

#include <cstdint>

#include "records/console.hpp"

namespace meridian {

void generate_model(std::int32_t job_code, Console& console);

}  // namespace meridian
