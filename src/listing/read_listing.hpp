#pragma once
// The listing reader: loads the solver's printed output listing n3dhsp (model
// sections, then every printed time step, strictly forwards) and forms the
// element zones.

#include "listing/listing_model.hpp"

namespace meridian {

// Reads n3dhsp in the current directory whole; the file is closed on return.
ListingModel read_listing();

}  // namespace meridian
