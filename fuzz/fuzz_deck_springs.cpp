// Fuzz harness: the deck spring rewrite on one input deck nikein, with a small
// fixed set of springs (some released, some kept).

#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "deck/deck_springs.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  meridian::fuzz::enter_scratch_directory("deck_springs");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridian;
  fuzz::write_file("nikein", fuzz::as_text(data, size));
  // Four nodes; springs 1-2 and 3-4 are released (first node's third value not
  // below the second's, sign not positive), 2-3 is kept.
  const std::array<std::int32_t, 3> node1 = {1, 2, 3};
  const std::array<std::int32_t, 3> node2 = {2, 3, 4};
  std::array<std::int32_t, 3> direction = {4, 5, 6};
  const std::array<double, 3> sign = {-1.0, 1.0, 0.0};
  const std::array<double, 16> node_result = {0, 0, 2.0, 0, 0, 0, 1.0,  0,
                                              0, 0, 3.0, 0, 0, 0, -1.0, 0};
  DeckSprings springs;
  springs.node_capacity = 4;
  springs.spring_node1 = node1;
  springs.spring_node2 = node2;
  springs.spring_direction = direction;
  springs.spring_force = sign;
  springs.node_result = node_result;
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  try {
    rewrite_deck_springs(springs, console);
  } catch (const FatalError&) {
  }
  return 0;
}
