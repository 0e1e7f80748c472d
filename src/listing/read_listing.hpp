#pragma once
// The listing reader: loads the solver's printed output listing n3dhsp (model
// sections, then every printed time step, strictly forwards), forms the element
// zones, and hands the model and results to the writers.

#include <cstdint>

#include "records/console.hpp"

namespace meridian {

// Reads n3dhsp in the current directory and runs the hand-over: model view,
// scale-factor dialogue (job 1 only), step results, and for job 4 the deck
// spring rewrite (or "no spring").
void read_listing(std::int32_t job_code, Console& console);

}  // namespace meridian
