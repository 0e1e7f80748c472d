// Writes a large synthetic NIKE3D listing for the benchmarks: a block of
// hexahedra with the given numbers of nodes, elements, printed time steps and
// springs (see tests/support/synthetic_listing.hpp).
//
// Usage: make_listing <output path> <nodes> <elements> <steps> [springs]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "support/synthetic_listing.hpp"

namespace {

bool read_count(const char* text, std::int32_t& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < 0 || parsed > 2000000000L) return false;
  value = static_cast<std::int32_t>(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  meridian::testing::SyntheticListingSize size;
  if ((argc != 5 && argc != 6) || !read_count(argv[2], size.nodes) ||
      !read_count(argv[3], size.elements) || !read_count(argv[4], size.steps) ||
      (argc == 6 && !read_count(argv[5], size.springs))) {
    std::fprintf(stderr, "usage: make_listing <output path> <nodes> <elements> <steps> [springs]\n");
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t bytes = meridian::testing::write_synthetic_listing(size, argv[1]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %llu bytes (%d nodes, %d elements, %d steps, %d springs) in %.2f s\n",
                argv[1], static_cast<unsigned long long>(bytes), size.nodes, size.elements,
                size.steps, size.springs, seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_listing: %s\n", e.what());
    return 1;
  }
  return 0;
}
