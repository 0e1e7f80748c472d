#include "listing/read_listing.hpp"

#include "records/files.hpp"

namespace meridian {

ListingModel read_listing() {
  InputFile listing = InputFile::open_existing("n3dhsp");
  return load_listing(listing);
}

}  // namespace meridian
