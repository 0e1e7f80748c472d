// Fuzz harness: the input-deck viewer (job 5) on one deck nikein.txt, writing
// the model views of the deck.

#include <cstddef>
#include <cstdint>

#include "driver/run_job.hpp"
#include "fuzz_support.hpp"
#include "records/fatal.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  meridian::fuzz::enter_scratch_directory("input_deck");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridian;
  fuzz::write_file("nikein.txt", fuzz::as_text(data, size));
  try {
    run_deck_view(job_row(5), RunOptions{});
  } catch (const FatalError&) {
  }
  return 0;
}
