// Runs stopped part-way, and runs side by side in one folder: every result
// file is at each moment either the earlier run's file or the complete new
// one, never a mixture or a truncated file.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "run_support.hpp"
#include "support/listing_writer.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using Files = std::map<std::string, std::string>;

// A listing of several steps, large enough that a run takes a while.
std::string long_listing() {
  testing::ListingFixture fixture;
  testing::add_block(fixture, 24, 24, 6);
  testing::add_simple_steps(fixture, 6);
  return testing::write_listing_text(fixture);
}

// The result files of a complete run with `scale` (the listing left out).
Files complete_results(const std::string& listing, const char* scale) {
  const fs::path dir = fresh_directory(std::string("interrupt_reference_") + scale);
  write_file(dir / "n3dhsp", listing);
  const RunResult result = run_meridian(dir, {"--scale", scale}, "");
  EXPECT_EQ(result.exit_status, 0) << result.standard_error;
  Files files = directory_files(dir);
  files.erase("n3dhsp");
  fs::remove_all(dir);
  return files;
}

bool is_temporary(const std::string& name) { return name.starts_with(".meridian-"); }

// Every file in `dir` besides the listing is a result of one of the runs,
// whole: byte for byte the earlier or the new file of its name.
void expect_whole_results(const fs::path& dir, const Files& earlier, const Files& fresh,
                          const std::string& context) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name == "n3dhsp" || is_temporary(name)) continue;
    const std::string bytes = read_file(entry.path());
    const auto old_file = earlier.find(name);
    const auto new_file = fresh.find(name);
    const bool is_old = old_file != earlier.end() && old_file->second == bytes;
    const bool is_new = new_file != fresh.end() && new_file->second == bytes;
    EXPECT_TRUE(is_old || is_new) << name << " is neither run's complete file, " << context;
  }
  for (const auto& [name, bytes] : earlier) {
    EXPECT_TRUE(fs::exists(dir / name)) << name << " went missing, " << context;
  }
}

std::vector<std::string> temporaries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (is_temporary(name)) names.push_back(name);
  }
  return names;
}

class Interrupted : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    listing_ = new std::string(long_listing());
    earlier_ = new Files(complete_results(*listing_, "1"));
    const auto start = std::chrono::steady_clock::now();
    fresh_ = new Files(complete_results(*listing_, "100"));
    run_time_ = new std::chrono::steady_clock::duration(std::chrono::steady_clock::now() - start);
  }
  static void TearDownTestSuite() {
    delete listing_;
    delete earlier_;
    delete fresh_;
    delete run_time_;
  }

  // A folder holding the listing and the earlier run's results.
  static fs::path folder_with_earlier_results(const std::string& name) {
    const fs::path dir = fresh_directory(name);
    write_file(dir / "n3dhsp", *listing_);
    for (const auto& [file, bytes] : *earlier_) write_file(dir / file, bytes);
    return dir;
  }

  static inline std::string* listing_ = nullptr;
  static inline Files* earlier_ = nullptr;
  static inline Files* fresh_ = nullptr;
  static inline std::chrono::steady_clock::duration* run_time_ = nullptr;
};

TEST_F(Interrupted, EachResultIsTheEarlierOrTheCompleteNewFile) {
  ASSERT_NE(*earlier_, *fresh_);
  ASSERT_GE(earlier_->size(), 7u);  // model_load.dat and six stress files
  for (const Stop how : stops()) {
    int stopped = 0;  // runs that the stop ended before they completed
    for (const int percent : {5, 20, 35, 50, 65, 80, 95}) {
      const std::string context =
          std::string(stop_name(how)) + " at " + std::to_string(percent) + "% of a run";
      const fs::path dir = folder_with_earlier_results("interrupt_run");
      {
        StartedRun run(dir, {"--scale", "100"});
        std::this_thread::sleep_for(*run_time_ * percent / 100);
        if (!run.stop(how)) {
          run.wait();
          fs::remove_all(dir);
          GTEST_SKIP() << "this system delivers no " << stop_name(how) << " to the run";
        }
        const int status = run.wait();
        if (status != 0) {
          // The shell sees the run ended by the stop itself.
          EXPECT_EQ(status, stopped_status(how)) << context;
          ++stopped;
        }
      }
      expect_whole_results(dir, *earlier_, *fresh_, context);
      if (how != Stop::kill) {
        EXPECT_EQ(temporaries(dir), std::vector<std::string>{}) << context;
      } else {
        // A later run removes what the killed one left, and completes.
        const RunResult again = run_meridian(dir, {"--scale", "100"}, "");
        EXPECT_EQ(again.exit_status, 0) << again.standard_error;
        EXPECT_EQ(temporaries(dir), std::vector<std::string>{}) << context;
        Files after = directory_files(dir);
        after.erase("n3dhsp");
        EXPECT_EQ(after, *fresh_) << context;
      }
      fs::remove_all(dir);
    }
    EXPECT_GT(stopped, 0) << "every run completed before its " << stop_name(how);
  }
}

TEST_F(Interrupted, TwoRunsInOneFolderBothComplete) {
  for (int round = 0; round < 3; ++round) {
    const fs::path dir = folder_with_earlier_results("interrupt_side_by_side");
    {
      StartedRun first(dir, {"--scale", "1"});
      StartedRun second(dir, {"--scale", "100"});
      EXPECT_EQ(first.wait(), 0);
      EXPECT_EQ(second.wait(), 0);
    }
    expect_whole_results(dir, *earlier_, *fresh_, "two runs at once");
    EXPECT_EQ(temporaries(dir), std::vector<std::string>{});
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace meridian
