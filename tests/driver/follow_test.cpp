// Runs that follow a listing while it is written (--follow), fed by the
// listing replayer (tools/replay_listing): each step's files appear in order
// while the listing is still being written, and at the end every file is
// what a plain run of the whole listing writes; a replay that stops early
// ends as --partial does; a listing replaced while followed ends the run;
// an interrupted run leaves only complete steps, with the time series,
// summary, histories and page naming exactly those.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "run_support.hpp"
#include "support/system_traits.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

const fs::path example = fs::path(MERIDIAN_SOURCE_DIR) / "examples" / "n3dhsp";
const std::vector<std::string> outputs = {"--scale", "10", "--vtk", "--report",
                                          "--history=node:5,element:2,spring:1", "--exodus"};

// The numbers that follow each `prefix` in a text.
std::set<int> numbers_after(const std::string& text, std::string_view prefix) {
  std::set<int> found;
  for (std::size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
    const std::size_t digits = at + prefix.size();
    std::size_t end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end > digits) found.insert(std::stoi(text.substr(digits, end - digits)));
  }
  return found;
}

// The steps whose stress files are in place (temporaries have other names).
std::set<int> stress_steps(const fs::path& dir) {
  constexpr std::string_view head = "model_stress_", tail = ".dat";
  std::set<int> steps;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string file = entry.path().filename().string();
    if (file.size() <= head.size() + tail.size() || !file.starts_with(head) || !file.ends_with(tail)) continue;
    const std::string number = file.substr(head.size(), file.size() - head.size() - tail.size());
    if (number.find_first_not_of("0123456789") == std::string::npos) steps.insert(std::stoi(number));
  }
  return steps;
}

// What a plain run of the whole example leaves.
const std::map<std::string, std::string>& plain_files() {
  static const std::map<std::string, std::string> files = [] {
    const fs::path dir = fresh_directory("follow_plain");
    fs::copy_file(example, dir / "n3dhsp");
    EXPECT_EQ(run_meridian(dir, outputs, "").exit_status, 0);
    std::map<std::string, std::string> all = directory_files(dir);
    all.erase("n3dhsp");
    return all;
  }();
  return files;
}

// The steps in place agree: stress files 1..m, the time series, the summary
// and the page name exactly those, and each step's files are the plain run's.
void expect_consistent(const fs::path& dir) {
  std::map<std::string, std::string> files = directory_files(dir);
  files.erase("n3dhsp");
  const std::set<int> steps = stress_steps(dir);
  const int m = static_cast<int>(steps.size());
  ASSERT_TRUE(m == 0 || *steps.rbegin() == m) << "steps in place are not 1 to " << m;
  EXPECT_EQ(numbers_after(files["model_stress.pvd"], "timestep=\""), steps);
  EXPECT_EQ(numbers_after(files["summary.csv"], "\n"), steps);
  EXPECT_EQ(numbers_after(files["history.csv"], "\n"), steps);
  const std::set<int> said = numbers_after(files["report.html"], "\"analysis\":{\"steps\":");
  EXPECT_EQ(said, m == 3 ? std::set<int>{} : std::set<int>{m});
  for (const auto& [name, bytes] : files) {
    EXPECT_NE(name.rfind(".meridian-", 0), 0u) << "a temporary is left: " << name;
    // model.exo is put in place at the end, with the steps complete then.
    const bool series = name == "model_stress.pvd" || name == "summary.csv" ||
                        name == "report.html" || name == "history.csv" || name == "model.exo";
    if (!series || m == 3) {
      EXPECT_EQ(bytes, plain_files().at(name)) << name;
    }
  }
}

// Waits, in steps of 20 ms up to `limit`, until `done` holds.
template <typename Done>
bool wait_until(Done done, std::chrono::seconds limit = std::chrono::seconds{60}) {
  const Clock::time_point end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds{20});
  }
  return true;
}

std::vector<std::string> replay(std::vector<std::string> options) {
  options.insert(options.begin(), {example.string(), "n3dhsp"});
  return options;
}

struct ReplayCase {
  const char* name;
  std::vector<std::string> replayer;  // its options besides the two files
};

void PrintTo(const ReplayCase& c, std::ostream* out) { *out << c.name; }

class FollowReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(FollowReplay, StepsAppearInOrderWhileWrittenAndEndAsAPlainRun) {
  const fs::path dir = fresh_directory("follow_replay");
  std::vector<std::string> arguments = outputs;
  arguments.push_back("--follow=20");
  StartedRun run(dir, arguments, dir.string() + ".stderr", {}, false);
  StartedRun replayer(dir, replay(GetParam().replayer), {}, MERIDIAN_REPLAYER, false);
  std::set<int> seen_while_writing;
  ASSERT_TRUE(wait_until([&] {
    const bool writing = !replayer.ended();
    const std::set<int> steps = stress_steps(dir);
    EXPECT_TRUE(steps.empty() || *steps.rbegin() == static_cast<int>(steps.size()));
    if (writing) seen_while_writing.insert(steps.begin(), steps.end());
    // model.exo goes in place at the end, after the last step's files.
    if (fs::exists(dir / "model.exo")) {
      EXPECT_EQ(stress_steps(dir).size(), 3u) << "model.exo in place before the last step";
    }
    return !writing;
  }));
  EXPECT_EQ(replayer.wait(), 0);
  EXPECT_TRUE(seen_while_writing.count(1)) << "step 1 was not in place before the listing's end";
  ASSERT_TRUE(wait_until([&] { return run.ended(); }));
  EXPECT_EQ(run.wait(), 0) << read_file(dir.string() + ".stderr");
  expect_consistent(dir);
  EXPECT_EQ(stress_steps(dir).size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Replays, FollowReplay,
    ::testing::Values(
        ReplayCase{"SmallChunks", {"--rate", "0.4", "--chunk", "1-700", "--seed", "3"}},
        ReplayCase{"PausesAndLaterListing",
                   {"--rate", "1", "--chunk", "1-9000", "--seed", "11", "--pause", "0.2,150",
                    "--start-after", "0.4", "--linger", "0.5"}},
        ReplayCase{"LargeChunks", {"--rate", "0.6", "--chunk", "20000-60000", "--seed", "7"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Job 6 on a listing with springs puts each step's stress file and axis
// lines in place as the step completes; only the spring extracts, which take
// the last step's forces, wait for the end, which is the plain run's.
TEST(Follow, Job6WithSpringsPutsEachStepInPlaceAsItComes) {
  const fs::path dir = fresh_directory("follow_job6");
  StartedRun run(dir, {"--job", "6", "--follow=20"}, dir.string() + ".stderr", {}, false);
  StartedRun replayer(dir, replay({"--rate", "0.3", "--chunk", "1-3000", "--seed", "5"}), {},
                      MERIDIAN_REPLAYER, false);
  bool step_1_while_writing = false;
  ASSERT_TRUE(wait_until([&] {
    const bool writing = !replayer.ended();
    if (writing && stress_steps(dir).count(1)) {
      step_1_while_writing = true;
      EXPECT_TRUE(fs::exists(dir / "line_node_1.csv"));
      EXPECT_FALSE(fs::exists(dir / "spring_1.csv")) << "the spring extracts wait for the end";
    }
    return !writing;
  }));
  EXPECT_EQ(replayer.wait(), 0);
  EXPECT_TRUE(step_1_while_writing) << "step 1 was not in place before the listing's end";
  ASSERT_TRUE(wait_until([&] { return run.ended(); }));
  EXPECT_EQ(run.wait(), 0) << read_file(dir.string() + ".stderr");
  const fs::path plain = fresh_directory("follow_job6_plain");
  fs::copy_file(example, plain / "n3dhsp");
  ASSERT_EQ(run_meridian(plain, {"--job", "6"}, "").exit_status, 0);
  EXPECT_TRUE(fs::exists(plain / "spring_3.csv"));
  EXPECT_TRUE(directory_files(dir) == directory_files(plain)) << "the files differ from the plain run's";
}

// A listing complete before the run starts: the run is the plain run, the
// question of job 1 too (asked once the model is read).
TEST(Follow, ACompleteListingIsAPlainRun) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"--job", "6", "--vtk"}}) {
    std::map<std::string, std::string> files[2];
    std::string console[2];
    for (const int followed : {0, 1}) {
      const fs::path dir = fresh_directory("follow_complete");
      fs::copy_file(example, dir / "n3dhsp");
      std::vector<std::string> run = arguments;
      if (followed) run.push_back("--follow=2");
      const RunResult result = run_meridian(dir, run, arguments.empty() ? "10\n" : "");
      EXPECT_EQ(result.exit_status, 0) << result.standard_error;
      files[followed] = directory_files(dir);
      console[followed] = result.standard_output;
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(console[0], console[1]);
  }
}

// A replay that stops in step 2 of 3 ends as partial once the listing has
// been quiet: the files of --partial on the same listing, status 3.
TEST(Follow, AReplayThatStopsEndsAsPartial) {
  const fs::path dir = fresh_directory("follow_stops");
  std::vector<std::string> arguments = outputs;
  arguments.push_back("--follow=1");
  StartedRun run(dir, arguments, dir.string() + ".stderr", {}, false);
  StartedRun replayer(dir, replay({"--rate", "1", "--chunk", "1-5000", "--stop-at-step", "2"}), {},
                      MERIDIAN_REPLAYER, false);
  ASSERT_TRUE(wait_until([&] { return run.ended(); }));
  EXPECT_EQ(run.wait(), 3);
  EXPECT_EQ(read_file(dir.string() + ".stderr"),
            "meridian: n3dhsp ends in time step 2 of the 3 that control card 3 announces; the 1 "
            "complete step is written\r\n");
  const fs::path partial = fresh_directory("follow_stops_partial");
  fs::copy_file(dir / "n3dhsp", partial / "n3dhsp");
  arguments.back() = "--partial";
  EXPECT_EQ(run_meridian(partial, arguments, "").exit_status, 3);
  EXPECT_EQ(directory_files(dir), directory_files(partial));
  expect_consistent(dir);
}

// A new analysis in the folder: another file takes the listing's name, or
// the listing is written anew in place.
TEST(Follow, AReplacedListingEndsTheRunAndKeepsWhatIsInPlace) {
  for (const bool renamed : {true, false}) {
    if (renamed && !testing::renames_over_open_files) continue;
    SCOPED_TRACE(renamed ? "renamed over" : "rewritten");
    const fs::path dir = fresh_directory("follow_replaced");
    std::vector<std::string> arguments = outputs;
    arguments.push_back("--follow=20");
    StartedRun replayer(dir, replay({"--stop-at-step", "3", "--linger", "30"}), {},
                        MERIDIAN_REPLAYER, false);
    StartedRun run(dir, arguments, dir.string() + ".stderr", {}, false);
    ASSERT_TRUE(wait_until([&] { return stress_steps(dir).size() == 2; }));
    if (renamed) {
      write_file(dir / "n3dhsp.new", "a new analysis\n");
      fs::rename(dir / "n3dhsp.new", dir / "n3dhsp");
    } else {
      write_file(dir / "n3dhsp", "a new analysis\n");
    }
    ASSERT_TRUE(wait_until([&] { return run.ended(); }));
    EXPECT_EQ(run.wait(), 2);
    const std::string said = read_file(dir.string() + ".stderr");
    EXPECT_NE(said.find(renamed ? "n3dhsp: another file took the listing's name"
                                : "n3dhsp: the listing shrank from "),
              std::string::npos)
        << said;
    expect_consistent(dir);
    EXPECT_EQ(stress_steps(dir).size(), 2u);
    replayer.stop(Stop::kill);
  }
}

// Stopped from outside while it follows, a run leaves only complete steps,
// and the series files name exactly those.
TEST(Follow, AnInterruptLeavesCompleteAndConsistentSteps) {
  for (const Stop how : stops()) {
    if (how == Stop::kill) continue;  // no say: nothing can be promised
    SCOPED_TRACE(stop_name(how));
    const fs::path dir = fresh_directory("follow_stopped");
    std::vector<std::string> arguments = outputs;
    arguments.push_back("--follow=20");
    StartedRun run(dir, arguments);
    StartedRun replayer(dir, replay({"--rate", "0.3", "--chunk", "1-3000"}), {}, MERIDIAN_REPLAYER, false);
    ASSERT_TRUE(wait_until([&] { return !stress_steps(dir).empty(); }));
    ASSERT_TRUE(run.stop(how));
    ASSERT_TRUE(wait_until([&] { return run.ended(); }));
    EXPECT_EQ(run.wait(), stopped_status(how));
    expect_consistent(dir);
    EXPECT_GE(stress_steps(dir).size(), 1u);
    replayer.stop(Stop::kill);
  }
}

}  // namespace
}  // namespace meridian
