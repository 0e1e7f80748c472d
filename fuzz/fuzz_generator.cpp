// Fuzz harness: the model generator (job 0) on one parameter file
// parameter_in.txt, writing the solver cards and the model views.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "driver/run_job.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  meridian::fuzz::enter_scratch_directory("generator");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridian;
  fuzz::write_file("parameter_in.txt", fuzz::as_text(data, size));
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  try {
    run_generator(job_row(0), RunOptions{}, console);
  } catch (const FatalError&) {
  } catch (const RunStopped&) {
  }
  return 0;
}
