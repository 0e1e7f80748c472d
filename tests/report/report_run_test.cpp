// --report on whole runs: summary.csv against values worked out by hand, the
// page's data, and every other file the same with and without the option.

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>
#include <string>

#include "driver/run_job.hpp"
#include "driver/two_node_deck.hpp"
#include "records/fatal.hpp"
#include "support/listing_writer.hpp"
#include "support/scratch_dir.hpp"

namespace meridian::testing {
namespace {

namespace fs = std::filesystem;

// A block of two elements (nodes 1..12, x fastest; element 1 holds nodes 1, 2,
// 4, 5, 7, 8, 10, 11, element 2 nodes 2, 3, 5, 6, 8, 9, 11, 12) whose printed
// values survive the listing's fields exactly (E11.3 keeps three digits).
//   step 1: node 3 moves -0.0025 in y, node 5 0.0025 in x (a tie: node 3);
//           element 1 prints 125 everywhere, element 2 250 (node 3 is only in
//           element 2; the shared nodes average 187.5).
//   step 2: node i moves 0.001 i in z; both elements print 500 (a tie of the
//           integration points: element 1; of the nodes: node 1).
// Temperatures 20 + i in both steps.
ListingFixture two_element_model(int steps) {
  ListingFixture f;
  f.title = "two elements, two steps";
  add_block(f, 2, 1, 1);
  for (int s = 1; s <= steps; ++s) {
    ListingStep step;
    step.time = s;
    for (int i = 1; i <= 12; ++i) {
      std::array<double, 4> values{0.0, 0.0, 0.0, 20.0 + i};
      if (s == 1 && i == 3) values[1] = -0.0025;
      if (s == 1 && i == 5) values[0] = 0.0025;
      if (s == 2) values[2] = 0.001 * i;
      step.node_values.push_back(values);
    }
    for (const double value : s == 1 ? std::array<double, 2>{125.0, 250.0}
                                     : std::array<double, 2>{500.0, 500.0}) {
      ElementPrintout gauss;
      for (auto& point : gauss) point.fill(value);
      step.element_values.push_back(gauss);
    }
    f.steps.push_back(std::move(step));
  }
  return f;
}

const std::string header =
    "step,max_displacement,max_displacement_node,max_effective_stress,max_effective_stress_node,"
    "max_ip_effective_stress,max_ip_effective_stress_element,min_temperature,max_temperature";
const std::string step_1 = "1,0.0025,3,250,3,250,2,21,32";
const std::string step_2 = "2,0.012,12,500,1,500,1,21,32";

// Runs `job` in the current directory; returns what it wrote on the console.
std::string run_listing(std::int32_t job, bool report, bool vtk = false,
                        std::optional<double> budget_mb = {}) {
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  RunOptions options;
  options.report = report;
  options.vtk = vtk;
  options.report_budget_mb = budget_mb;
  if (job == 1) options.scale = 10.0;
  run_job(job, options, console);
  output.flush();
  return output.contents();
}

std::map<std::string, std::string> files_of(const ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : dir.files()) files[name] = read_file(dir.path() / name);
  return files;
}

struct RunCase {
  std::string name;
  int steps;
  std::string summary;  // expected summary.csv
};

const std::vector<RunCase> run_cases = {
    {"two_steps", 2, records({header, step_1, step_2})},
    {"no_steps", 0, records({header})},
};

class ReportRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(ReportRuns, SummaryMatchesAndThePageCarriesItsRows) {
  ScratchDir dir;
  write_listing_file(two_element_model(GetParam().steps), "n3dhsp");
  run_listing(2, true);
  EXPECT_EQ(read_file("summary.csv"), GetParam().summary);
  const std::string page = read_file("report.html");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_EQ(page.find("\r\n"), std::string::npos) << "the page's lines end in LF";
  EXPECT_NE(page.find("\"title\":\"two elements, two steps\""), std::string::npos);
  EXPECT_NE(page.find("\"job\":2,"), std::string::npos);
  EXPECT_EQ(page.find("@REPORT_"), std::string::npos);
  EXPECT_EQ(page.find(dir.path().string()), std::string::npos) << "no folder in the page";
  if (GetParam().steps == 2) {
    EXPECT_NE(page.find("\"rows\":[\"" + step_1 + "\",\"" + step_2 + "\"]"), std::string::npos);
    EXPECT_NE(page.find("\"warp\":100,"), std::string::npos);
  } else {
    EXPECT_NE(page.find("\"steps\":[],\"summary\":{\"header\""), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Listings, ReportRuns, ::testing::ValuesIn(run_cases),
                         [](const auto& info) { return info.param.name; });

// Every job that reads a listing, with --vtk too: the same files and console,
// byte for byte, besides the two files of the report; and the page the same
// twice.
TEST(ReportRun, OtherFilesAreTheSameWithAndWithoutTheOption) {
  for (const std::int32_t job : {1, 2, 3, 6}) {
    for (const bool vtk : {false, true}) {
      std::map<std::string, std::string> plain, reported, again;
      for (auto* files : {&plain, &reported, &again}) {
        ScratchDir dir;
        write_listing_file(two_element_model(2), "n3dhsp");
        const std::string console = run_listing(job, files != &plain, vtk);
        *files = files_of(dir);
        (*files)["(console)"] = console;
      }
      EXPECT_EQ(reported, again) << "job " << job;
      ASSERT_EQ(reported.erase("summary.csv"), 1u);
      ASSERT_EQ(reported.erase("report.html"), 1u);
      EXPECT_EQ(plain, reported) << "job " << job << (vtk ? " --vtk" : "");
    }
  }
}

// Past its budget the page keeps, of 30 steps, an evenly spaced part with the
// first, the last and the step of the highest effective stress (here step
// 17), says which, and stays within its budget; the summary keeps every step.
TEST(ReportRun, ABudgetKeepsTheFirstTheLastAndThePeakStep) {
  ScratchDir dir;
  const auto page_of = [](int steps, std::optional<double> budget_mb) {
    ListingFixture f;
    add_block(f, 8, 8, 2);
    add_simple_steps(f, steps);
    if (steps >= 17) f.steps[16].element_values[5][0][6] = 9000.0;
    write_listing_file(f, "n3dhsp");
    run_listing(2, true, false, budget_mb);
    return read_file("report.html");
  };
  const double one = static_cast<double>(page_of(1, {}).size());
  const double per_step = (static_cast<double>(page_of(30, {}).size()) - one) / 29;
  const double budget_mb = (one + 8 * per_step) / 1e6;
  const std::string page = page_of(30, budget_mb);
  EXPECT_LE(static_cast<double>(page.size()), budget_mb * 1e6);
  std::vector<int> kept;
  for (std::size_t at = page.find("{\"step\":"); at != std::string::npos; at = page.find("{\"step\":", at + 1)) {
    kept.push_back(std::stoi(page.substr(at + 8)));
  }
  for (const int step : {1, 30, 17}) EXPECT_NE(std::find(kept.begin(), kept.end(), step), kept.end()) << step;
  EXPECT_NE(page.find("\"view_steps\":{\"kept\":" + std::to_string(kept.size()) + ",\"of\":30,"),
            std::string::npos);
  const std::string summary = read_file("summary.csv");
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 31) << "every step in the summary";
  // Evenly spaced besides the peak's: the gaps differ by one at most.
  std::vector<int> spaced(kept.begin(), kept.end());
  std::erase(spaced, 17);
  std::sort(spaced.begin(), spaced.end());
  ASSERT_GE(spaced.size(), 4u) << "the budget should leave room for a few steps";
  int low_gap = 30, high_gap = 0;
  for (std::size_t i = 1; i < spaced.size(); ++i) {
    low_gap = std::min(low_gap, spaced[i] - spaced[i - 1]);
    high_gap = std::max(high_gap, spaced[i] - spaced[i - 1]);
  }
  EXPECT_LE(high_gap - low_gap, 1);
}

TEST(ReportRun, JobOneWarpsByAHundredTimesTheScale) {
  ScratchDir dir;
  write_listing_file(two_element_model(1), "n3dhsp");
  run_listing(1, true);
  EXPECT_NE(read_file("report.html").find("\"warp\":1000,"), std::string::npos);
}

TEST(ReportRun, DeckWithoutListingGivesThePageAlone) {
  ScratchDir dir;
  write_file("nikein.txt", deck_head + deck_control_without_interfaces + deck_nodes_and_element +
                               deck_temperatures);
  run_listing(5, true);
  EXPECT_FALSE(fs::exists("summary.csv"));
  const std::string page = read_file("report.html");
  EXPECT_NE(page.find("\"steps\":[],\"summary\":null}"), std::string::npos);
  EXPECT_NE(page.find("\"job\":5,"), std::string::npos);
}

}  // namespace
}  // namespace meridian::testing
