#pragma once
// The listing reader: reads the solver's printed output listing n3dhsp (model
// sections, then every printed time step, strictly forwards) and forms the
// element zones.

#include "listing/listing_model.hpp"
#include "records/files.hpp"

namespace meridian {

// Reads n3dhsp in the current directory whole; the file is closed on return.
// `watch`, when given, is told the bytes read so far after every read from
// the file (about one call per megabyte).
ListingModel read_listing(const ReadWatch& watch = {});

// Reads the whole listing forwards: model sections, every time-step block
// (nodal stresses averaged on the way, one block at a time), then forms the
// zones. Bad input (end of file, a field that does not convert, a number used
// as a table position out of its range, counts too large to hold) ends the run
// with a FatalError naming the listing and line.
// The element printout rows are parsed on a second CPU when the process may
// use one and `second_cpu` allows it (the results are the same either way).
ListingModel load_listing(InputFile& listing, bool second_cpu = true);

}  // namespace meridian
