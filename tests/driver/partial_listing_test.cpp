// Listings that end before the steps they announce are complete: with
// --partial the run writes every complete step, exactly as a complete run of
// a listing that holds only those steps, says so in one line and ends with
// status 3; without it the run fails as before, puts nothing in place and
// says how many steps are complete.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "run_support.hpp"
#include "support/listing_writer.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using testing::ListingFixture;

constexpr int announced = 3;

// Two bricks with an interface between them and, when asked, a spring;
// `steps` printed steps.
ListingFixture bricks(int steps, bool spring) {
  ListingFixture f;
  testing::add_block(f, 2, 1, 1);
  f.interfaces.push_back({{{2, 5, 11, 8}}, {{2, 8, 11, 5}}});
  if (spring) {
    f.spring_types.push_back({1000.0, 3});
    f.springs.push_back({1, 12, 1, 1.0});
  }
  testing::add_simple_steps(f, steps);
  return f;
}

// Where the listing of `announced` steps is cut: the start of the line that
// holds the n-th occurrence of a key, moved by whole lines, then by bytes.
struct Cut {
  std::string key;
  int occurrence = 1;
  long shift = 0;
  int lines = 0;
};

std::size_t cut_at(const std::string& text, const Cut& cut) {
  std::size_t at = std::string::npos;
  for (int i = 0; i < cut.occurrence; ++i) at = text.find(cut.key, at + 1);
  EXPECT_NE(at, std::string::npos) << cut.key;
  at = text.rfind('\n', at) + 1;
  for (int i = 0; i < cut.lines; ++i) at = text.find('\n', at) + 1;
  return static_cast<std::size_t>(static_cast<long>(at) + cut.shift);
}

const std::string nodal = " n o d a l   p r";
const std::string element = " e l e m e n t  ";
const std::string discrete = " d i s c r e t e";

struct PartialCase {
  const char* name;
  bool spring;
  Cut cut;
  int complete;  // steps complete before the cut; -1: cut in the model sections
  // Without --partial a last record without its line end is still read, as
  // ever, and the message counts it: -1, as `complete`.
  int counted = -1;
  bool whole = false;  // the listing is not cut
};

void PrintTo(const PartialCase& c, std::ostream* out) { *out << c.name; }

std::vector<PartialCase> partial_cases() {
  return {
      {"InsideTheModelSections", false, {" NODAL POINT data", 1, 200}, -1},
      {"BeforeTheFirstStep", false, {nodal, 1, 0}, 0},
      {"InsideTheFirstNodalPrintout", false, {nodal, 1, 300}, 0},
      {"AtTheEndOfStep1", false, {nodal, 2, 0}, 1},
      {"InsideTheNodalPrintoutOfStep2", false, {nodal, 2, 250}, 1},
      {"InsideTheElementPrintoutOfStep3", false, {element, 3, 700}, 2},
      {"HalfARowOfTheElementPrintout", false, {element, 3, 445}, 2},
      {"InsideTheDiscretePrintoutOfStep2", true, {discrete, 2, 100}, 1},
      // The last row of step 2 (after the key and 4 heading lines) without
      // its line end: step 2 is not complete.
      {"TheLastLineEndOfStep2Missing", true, {discrete, 2, -1, 6}, 1, 2},
      {"AtTheLastLineEndOfStep2", true, {discrete, 2, 0, 6}, 2},
      {"AtTheEndOfStep2WithSprings", true, {nodal, 3, 0}, 2},
      {"TheWholeListing", true, {}, 3, -1, true},
  };
}

// A job's run: its arguments, and the console answer of its question.
struct JobRun {
  const char* name;
  std::vector<std::string> arguments;
  std::string input;
  bool needs_springs = false;  // names a spring: only for listings with one
};

const std::vector<JobRun> job_runs = {
    {"job 1 answered", {"--vtk", "--report"}, "10\n"},
    {"job 1 --scale", {"--scale", "10", "--vtk", "--report"}, ""},
    {"job 2", {"--job", "2", "--report"}, ""},
    {"job 6", {"--job", "6", "--vtk"}, ""},
    {"job 2 --history --exodus", {"--job", "2", "--history=node:12,element:2,node:1", "--exodus"}, ""},
    {"job 6 --history", {"--job", "6", "--history=node:12,element:2,spring:1,node:1"}, "", true},
};

// What a run leaves besides its input; report.html apart.
std::map<std::string, std::string> results_of(const fs::path& dir, std::string& report) {
  std::map<std::string, std::string> files = directory_files(dir);
  files.erase("n3dhsp");
  report = files.count("report.html") != 0 ? files["report.html"] : "";
  files.erase("report.html");
  return files;
}

class PartialListing : public ::testing::TestWithParam<PartialCase> {};

TEST_P(PartialListing, WritesTheCompleteStepsAsAListingOfOnlyThoseSteps) {
  const PartialCase& c = GetParam();
  const std::string whole = testing::write_listing_text(bricks(announced, c.spring));
  const std::string cut = c.whole ? whole : whole.substr(0, cut_at(whole, c.cut));
  for (const JobRun& job : job_runs) {
    if (job.needs_springs && !c.spring) continue;
    SCOPED_TRACE(job.name);
    const fs::path plain = fresh_directory("partial_plain");
    write_file(plain / "n3dhsp", cut);
    const RunResult failed = run_meridian(plain, job.arguments, job.input);
    if (!c.whole) {
      EXPECT_EQ(failed.exit_status, 2);
      EXPECT_EQ(directory_files(plain).size(), 1u) << "a failed run puts nothing in place";
    }

    // A later step's file of an earlier run stays as it was.
    const fs::path partial = fresh_directory("partial_run");
    write_file(partial / "n3dhsp", cut);
    const std::string earlier = "an earlier run's step 9\r\n";
    write_file(partial / "model_stress_9.dat", earlier);
    std::vector<std::string> arguments = job.arguments;
    arguments.push_back("--partial");
    const RunResult run = run_meridian(partial, arguments, job.input);
    EXPECT_EQ(read_file(partial / "model_stress_9.dat"), earlier);
    fs::remove(partial / "model_stress_9.dat");
    if (c.whole) {
      // Nothing to say: the plain run's files, console and status.
      EXPECT_EQ(run.exit_status, 0);
      EXPECT_EQ(run.standard_error, "");
      EXPECT_EQ(directory_files(partial), directory_files(plain));
      continue;
    }
    if (c.complete < 0) {
      // The half row at the end is no record here: the end comes a line
      // earlier.
      EXPECT_EQ(run.exit_status, 2);
      EXPECT_NE(run.standard_error.find("end of file while reading the nodal points"),
                std::string::npos);
      EXPECT_EQ(directory_files(partial).size(), 1u);
      continue;
    }
    const std::string complete = std::to_string(c.complete);
    const int counted = c.counted < 0 ? c.complete : c.counted;
    const std::string said = counted == 0   ? "no step is complete (--partial writes the model"
                             : counted == 1 ? "step 1 is complete (--partial writes it)"
                                            : "steps 1 to " + std::to_string(counted) +
                                                  " are complete (--partial";
    EXPECT_NE(failed.standard_error.find(said), std::string::npos) << failed.standard_error;
    EXPECT_EQ(run.exit_status, 3);
    const std::string steps = c.complete == 1 ? "the 1 complete step is written"
                              : c.complete == 0
                                  ? "no step is complete, the model files are written"
                                  : "the " + complete + " complete steps are written";
    EXPECT_EQ(run.standard_error, "meridian: n3dhsp ends in time step " +
                                      std::to_string(c.complete + 1) +
                                      " of the 3 that control card 3 announces; " + steps + "\r\n");

    const fs::path reference = fresh_directory("partial_reference");
    testing::write_listing_file(bricks(c.complete, c.spring), (reference / "n3dhsp").string());
    const RunResult expected = run_meridian(reference, job.arguments, job.input);
    ASSERT_EQ(expected.exit_status, 0) << expected.standard_error;
    EXPECT_EQ(run.standard_output, expected.standard_output);
    std::string report, reference_report;
    EXPECT_EQ(results_of(partial, report), results_of(reference, reference_report));
    if (!reference_report.empty()) {
      EXPECT_NE(report.find("\"analysis\":{\"steps\":" + complete + ",\"announced\":3,\"running\":false}"),
                std::string::npos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cuts, PartialListing, ::testing::ValuesIn(partial_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Job 4 rewrites the deck from step 1: only when step 1 is complete.
TEST(PartialListing, Job4RewritesTheDeckOnlyWithStep1) {
  const std::string whole = testing::write_listing_text(bricks(announced, true));
  const std::string deck = "title\n*------------------ DISCRETE ELEMENTS\n* a\n* b\n* c\n* d\n* e\n* f\n"
                           "    1       1      12    3\n* g\n* h\n* i\n       1      12    4    7\n";
  // A followed listing (quiet for a second) writes its steps as they come
  // and rewrites the deck at the end: the same deck as --partial.
  std::string partial_deck;
  for (const std::string option : {"--partial", "--follow=1"}) {
    std::string rewritten_deck;
    for (const auto& [occurrence, rewritten] : {std::pair{1, false}, std::pair{2, true}}) {
      const fs::path dir = fresh_directory("partial_job4");
      write_file(dir / "n3dhsp", whole.substr(0, cut_at(whole, {nodal, occurrence, 0})));
      write_file(dir / "nikein", deck);
      const RunResult run = run_meridian(dir, {"--job", "4", option}, "");
      EXPECT_EQ(run.exit_status, 3) << run.standard_error;
      EXPECT_EQ(read_file(dir / "nikein") != deck, rewritten) << option << " " << occurrence;
      if (rewritten) rewritten_deck = read_file(dir / "nikein");
    }
    if (option == "--partial") partial_deck = rewritten_deck;
    EXPECT_EQ(rewritten_deck, partial_deck) << option;
  }
}

// A step that holds a value that is not a number, as a diverged solver prints
// it (NaN, infinities, the runtime's own spellings, asterisks, an exponent
// beyond a double), in each of the three printouts of step 2: with --partial
// or --follow the files are those of a listing of step 1 alone, the run says
// where the value is and ends with status 3 (--follow at once, without
// waiting for growth); without them it fails as before, puts nothing in
// place and says that --partial writes step 1.
struct Unreadable {
  const char* name;
  std::string key;  // the printout
  int lines;        // from its key line of step 2 to the row
  int column;       // the field (0-based) and its width
  int width;
};

const std::vector<Unreadable> unreadable_places = {
    {"nodal", nodal, 3, 6, 14},
    {"element", " e l e m e n t   s t r e s s", 7, 18, 11},
    {"discrete", discrete, 5, 52, 17},
};

// "*": the field full of asterisks.
const std::vector<std::string> not_numbers = {"NaN", "Infinity", "-Infinity", "1.#QNAN", "*",
                                              "0.100+400"};

const std::vector<JobRun> unreadable_jobs = {
    {"job 1", {"--scale", "10"}, ""},
    {"job 2 --vtk --report", {"--job", "2", "--vtk", "--report"}, ""},
    {"job 6", {"--job", "6", "--history=spring:1,element:2", "--exodus"}, ""},
};

TEST(PartialListing, AStepWithValuesThatAreNotNumbersEndsTheCompleteSteps) {
  const std::string whole = testing::write_listing_text(bricks(announced, true));
  const fs::path reference = fresh_directory("unreadable_reference");
  testing::write_listing_file(bricks(1, true), (reference / "n3dhsp").string());
  std::map<std::string, std::map<std::string, std::string>> expected;
  for (const JobRun& job : unreadable_jobs) {
    for (const auto& [name, bytes] : directory_files(reference)) {
      if (name != "n3dhsp") fs::remove(reference / name);
    }
    ASSERT_EQ(run_meridian(reference, job.arguments, job.input).exit_status, 0);
    std::string page;
    expected[job.name] = results_of(reference, page);
  }
  for (const Unreadable& place : unreadable_places) {
    for (const std::string& text : not_numbers) {
      const std::size_t row = cut_at(whole, {place.key, 2, 0, place.lines});
      const long line = std::count(whole.begin(), whole.begin() + static_cast<long>(row), '\n') + 1;
      const auto width = static_cast<std::size_t>(place.width);
      const std::string field = text == "*" ? std::string(width, '*')
                                            : std::string(width - text.size(), ' ') + text;
      std::string listing = whole;
      listing.replace(row + static_cast<std::size_t>(place.column), field.size(), field);
      const std::string where = "n3dhsp, line " + std::to_string(line) + ": cannot read " +
                                (text == "0.100+400" ? "a finite real" : "a real") + " from \"" +
                                field + "\" (columns " + std::to_string(place.column + 1) + "-" +
                                std::to_string(place.column + place.width) + ")";
      for (const JobRun& job : unreadable_jobs) {
        SCOPED_TRACE(std::string(place.name) + " " + text + " " + job.name);
        const fs::path plain = fresh_directory("unreadable_plain");
        write_file(plain / "n3dhsp", listing);
        const RunResult failed = run_meridian(plain, job.arguments, job.input);
        EXPECT_EQ(failed.exit_status, 2);
        EXPECT_EQ(failed.standard_error,
                  "meridian: " + where + "; time step 2 of the 3 that control card 3 announces cannot be "
                                         "read; step 1 is complete (--partial writes it)\r\n");
        EXPECT_EQ(directory_files(plain).size(), 1u) << "a failed run puts nothing in place";
        // --follow meets the value in a listing that no longer grows: it
        // ends at once, long before its 30 s of quiet.
        for (const std::string option : {"--partial", "--follow=30"}) {
          const fs::path dir = fresh_directory("unreadable_run");
          write_file(dir / "n3dhsp", listing);
          std::vector<std::string> arguments = job.arguments;
          arguments.push_back(option);
          const auto started = std::chrono::steady_clock::now();
          const RunResult run = run_meridian(dir, arguments, job.input);
          EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds{20}) << option;
          EXPECT_EQ(run.exit_status, 3) << option;
          EXPECT_EQ(run.standard_error,
                    "meridian: " + where + "; time step 2 of the 3 that control card 3 announces "
                                           "cannot be read; the 1 complete step is written\r\n");
          std::string page;
          EXPECT_TRUE(results_of(dir, page) == expected[job.name])
              << option << ": the files differ from those of a listing of step 1";
          if (!page.empty()) {
            EXPECT_NE(page.find("\"analysis\":{\"steps\":1,\"announced\":3,\"running\":false,"
                                "\"not_numbers\":true}"),
                      std::string::npos);
          }
        }
      }
    }
  }
}

// A value of the model sections that is not a number stays an error.
TEST(PartialListing, AValueThatIsNotANumberInTheModelFailsWithOrWithoutTheOptions) {
  const std::string whole = testing::write_listing_text(bricks(announced, false));
  const std::size_t row = cut_at(whole, {" NODAL POINT data", 1, 0, 5});
  std::string listing = whole;
  listing.replace(row + 16, 17, std::string(14, ' ') + "NaN");
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--partial"}, {"--follow=30"}}) {
    const fs::path dir = fresh_directory("unreadable_model");
    write_file(dir / "n3dhsp", listing);
    std::vector<std::string> arguments = {"--job", "2"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const RunResult run = run_meridian(dir, arguments, "");
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_NE(run.standard_error.find("cannot read a real from \"              NaN\" (columns 17-33)\r\n"),
              std::string::npos)
        << run.standard_error;
    EXPECT_EQ(directory_files(dir).size(), 1u);
  }
}

}  // namespace
}  // namespace meridian
