#pragma once
// Large synthetic listings for the benchmarks: a block of hexahedra with the
// requested numbers of nodes, elements, printed time steps and springs, in the
// layout of the listing fixture (listing_writer.hpp). The model sections are
// laid out by the fixture writer; the time steps, which make up nearly all of
// a large listing, are laid out here from tables of pre-rendered fields, so a
// listing of a gigabyte is written in seconds. For a small size the bytes are
// those of write_listing_text(synthetic_fixture(size)) (a test checks this).

#include <cstdint>
#include <string>

#include "support/listing_writer.hpp"

namespace meridian::testing {

struct SyntheticListingSize {
  std::int32_t nodes = 0;     // at least the corners of the element block
  std::int32_t elements = 0;  // the first `elements` hexahedra of a block
  std::int32_t steps = 0;
  std::int32_t springs = 0;   // 0: no discrete elements
  int element_page_size = 6;  // elements per page of the element printout
};

// The nodes of the block that holds `elements` hexahedra (the smallest
// `nodes` a size may give).
std::int32_t synthetic_block_nodes(std::int32_t elements);

// The whole model and all its steps as a fixture (small sizes only).
ListingFixture synthetic_fixture(const SyntheticListingSize& size);

// Writes the listing to `path`; returns the number of bytes written. Throws
// std::runtime_error when the file cannot be written or the size is not
// possible (fewer nodes than the block needs).
std::uint64_t write_synthetic_listing(const SyntheticListingSize& size, const std::string& path);

}  // namespace meridian::testing
