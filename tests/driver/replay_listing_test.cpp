// The listing replayer (tools/replay_listing.cpp) leaves the source's bytes,
// up to where it was told to stop, whatever the chunks, and logs each step's
// nodal printout line once it is written, in order; --rate holds it back.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run_support.hpp"

namespace meridian {
namespace {

using namespace testing_support;

TEST(ReplayListing, WritesThePrefixAndLogsTheStepsWritten) {
  const std::string source_path = std::string(MERIDIAN_SOURCE_DIR) + "/examples/n3dhsp";
  const std::string source = read_file(source_path);
  // Where each line opening a step's nodal printout starts and ends.
  std::vector<std::size_t> starts, ends;
  for (auto at = source.find("\n n o d a l   p r "); at != std::string::npos;
       at = source.find("\n n o d a l   p r ", at + 1)) {
    starts.push_back(at + 1);
    ends.push_back(source.find('\n', at + 1) + 1);
  }
  ASSERT_EQ(starts.size(), 3u);
  const std::size_t whole = source.size();
  const struct {
    std::vector<std::string> options;
    std::size_t length;
  } cases[] = {
      {{}, whole},
      {{"--chunk", "1-1"}, whole},
      {{"--chunk", "1-7", "--seed", "5"}, whole},
      {{"--chunk", "1-100000", "--pause", "0.1,1"}, whole},
      {{"--stop-at-step", "1"}, starts[0]},
      {{"--stop-at-step", "2", "--chunk", "1-7"}, starts[1]},
      {{"--stop-at-step", "3", "--chunk", "1-100000"}, starts[2]},
      {{"--stop-at-step", "4"}, whole},
      {{"--stop-at-byte", "0"}, 0},
      {{"--stop-at-byte", "1"}, 1},
      {{"--stop-at-byte", "1000", "--stop-at-step", "2"}, 1000},
      {{"--stop-at-step", "3", "--stop-at-byte", std::to_string(ends[1]), "--chunk", "1-3"},
       ends[1]},
  };
  const auto dir = fresh_directory("replay_listing");
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {source_path, "target", "--log", "log"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    SCOPED_TRACE(::testing::PrintToString(c.options));
    const RunResult run = run_program(MERIDIAN_REPLAYER, arguments, dir);
    ASSERT_EQ(run.exit_status, 0) << run.standard_error;
    const std::string target = read_file(dir / "target");
    EXPECT_EQ(target.size(), c.length);
    EXPECT_TRUE(target == source.substr(0, c.length));
    std::string expected = "start 0\n";
    for (std::size_t k = 0; k < ends.size(); ++k) {
      if (ends[k] <= c.length) expected += "step " + std::to_string(k + 1) + "\n";
    }
    expected += "end " + std::to_string(c.length) + "\n";
    // The events without their times, which must be wall-clock times in order.
    std::istringstream log(read_file(dir / "log"));
    std::string events, event, value;
    long long time = 0, earlier = 0;
    while (log >> event >> value >> time) {
      events += event + " " + value + "\n";
      EXPECT_GE(time, earlier);
      EXPECT_GT(time, 1'500'000'000'000'000'000LL);  // after 2017
      earlier = time;
    }
    EXPECT_EQ(events, expected);
  }
  const RunResult bad =
      run_program(MERIDIAN_REPLAYER, {source_path, "target", "--chunk", "9-2"}, dir);
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_NE(bad.standard_error.find("--chunk"), std::string::npos);
  EXPECT_EQ(bad.standard_error.find('\n'), bad.standard_error.size() - 1);
}

TEST(ReplayListing, KeepsToTheRate) {
  const std::string source_path = std::string(MERIDIAN_SOURCE_DIR) + "/examples/n3dhsp";
  const auto dir = fresh_directory("replay_listing_rate");
  const auto start = std::chrono::steady_clock::now();
  // 300 kB at 1 MB/s: 0.3 s at the least.
  const RunResult run = run_program(
      MERIDIAN_REPLAYER, {source_path, "target", "--rate", "1", "--stop-at-byte", "300000"}, dir);
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.exit_status, 0) << run.standard_error;
  EXPECT_EQ(std::filesystem::file_size(dir / "target"), 300000u);
  EXPECT_GE(taken.count(), 0.25);
  EXPECT_LT(taken.count(), 30.0);
}

}  // namespace
}  // namespace meridian
