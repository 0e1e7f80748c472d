// Fuzz harness: the whole listing job on one listing. The first byte chooses
// the job (1, 2, 3, 4 or 6) so the model views, the step files, the extracts
// and the deck spring rewrite all run, and whether the complete steps are
// kept (--partial) and summary.csv, report.html, history.csv and model.exo
// written; the rest is the listing n3dhsp.

#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "driver/run_job.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"

namespace {

constexpr std::array<std::int32_t, 5> jobs = {1, 2, 3, 4, 6};

// The input deck job 4 rewrites: a discrete element section of two springs.
constexpr std::string_view deck =
    "*------------------ CONTROL CARDS -----------------------------------\n"
    "deck for the fuzzed listing\n"
    "*------------------ DISCRETE ELEMENTS -------------------------------------\n"
    "* spring-damper types\n"
    "    1    2\n"
    "    1    1\n"
    " 0.100E+07 1\n"
    "* discrete elements\n"
    "*   no   node1   node2 type\n"
    "    1       1       2    1\n"
    "    2       3       4    1\n"
    "*\n"
    "* discrete element orientation codes\n"
    "*  node1   node2 c1   c2\n"
    "       1       2    0    0\n"
    "       3       4    0    0\n"
    "*------------------ END OF DECK\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  meridian::fuzz::enter_scratch_directory("listing");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridian;
  if (size == 0) return 0;
  const std::int32_t job = jobs[data[0] % jobs.size()];
  // The rest of the first byte: the complete steps of a listing that ends
  // early or diverges, and the writers of whole analyses.
  const unsigned mode = data[0] / jobs.size();
  RunOptions options;
  options.partial = (mode & 1) != 0;
  if ((mode & 2) != 0) {
    options.report = true;
    options.exodus = true;
    options.history = {{HistoryItem::Kind::node, 1}, {HistoryItem::Kind::element, 1},
                       {HistoryItem::Kind::spring, 1}};
  }
  fuzz::write_file("n3dhsp", fuzz::as_text(data + 1, size - 1));
  if (job == 4) fuzz::write_file("nikein", deck);
  InputFile input = InputFile::from_text("console", "1.0\n");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  try {
    run_listing_outputs(job_row(job), options, console);
  } catch (const FatalError&) {
  }
  return 0;
}
