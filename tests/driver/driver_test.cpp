// The driver as users meet it: the console bytes of a run, the command line,
// and what a run leaves in its directory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver.hpp"
#include "run_support.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const char* const banner_bytes =
    " *****************   MERIDIAN 1.5  ********************\r\n"
    " *                                                    *\r\n"
    " *    NIKE3D Finite Element Post-Processing Program   *\r\n"
    " *                                                    *\r\n"
    " *                                                    *\r\n"
    " * -------------------------------------------------- *\r\n"
    " *                                                    *\r\n"
    " * Input file:                    (Created by NIKE3D) *\r\n"
    " *              n3dhsp                                *\r\n"
    " *                                                    *\r\n"
    " * Output file:                   (Read by Tecplot)   *\r\n"
    " *              model_load.dat                        *\r\n"
    " *              model_stress_i.dat                    *\r\n"
    " *              where i is the time step number       *\r\n"
    " *                                                    *\r\n"
    " ******************************************************\r\n"
    " Please waiting ... \r\n";

TEST(Driver, EmptyDirectoryEndsAtTheListingsEndOfFile) {
  const fs::path dir = fresh_directory("driver_empty");
  const RunResult result = run_meridian(dir, {}, "");
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_output, banner_bytes);
  EXPECT_EQ(result.standard_error,
            "meridian: n3dhsp, line 1: end of file while reading the title block\r\n")
      << "the message names the file, the line and what was being read";
  const auto files = directory_files(dir);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, "n3dhsp");
  EXPECT_EQ(files.begin()->second, "");
  fs::remove_all(dir);
}

TEST(Driver, HelpAndVersion) {
  const fs::path dir = fresh_directory("driver_help");
  const RunResult help = run_meridian(dir, {"--help"}, "");
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.standard_output.find("Usage: meridian [--job N]\r\n"), std::string::npos);
  EXPECT_NE(help.standard_output.find("parameter_in.txt"), std::string::npos);
  const RunResult version = run_meridian(dir, {"--version"}, "");
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.standard_output, std::string("meridian ") + MERIDIAN_VERSION + "\r\n");
  EXPECT_TRUE(directory_files(dir).empty());
  fs::remove_all(dir);
}

TEST(Driver, BadArgumentsPrintUsageAndTouchNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {"--jobs", "1"}, {"--job"}, {"--job", "x"}, {"--job", "1.5"}, {"--job", "99999999999"},
      {"extra"},       {"--job", "1", "--job", "2"},
  };
  for (const auto& arguments : cases) {
    const fs::path dir = fresh_directory("driver_bad");
    const RunResult result = run_meridian(dir, arguments, "");
    EXPECT_EQ(result.exit_status, 2) << arguments[0];
    EXPECT_EQ(result.standard_output, "");
    EXPECT_NE(result.standard_error.find("Usage: meridian"), std::string::npos);
    EXPECT_TRUE(directory_files(dir).empty()) << "no file may be created";
    fs::remove_all(dir);
  }
}

TEST(Driver, CommandLineForms) {
  struct Case {
    std::vector<std::string> arguments;
    CommandLine::Action action;
    std::int32_t job;
  } cases[] = {
      {{}, CommandLine::Action::run, 1},
      {{"--job", "0"}, CommandLine::Action::run, 0},
      {{"--job=6"}, CommandLine::Action::run, 6},
      {{"--job", "-3"}, CommandLine::Action::run, -3},
      {{"--job", "+4"}, CommandLine::Action::run, 4},
      {{"--version"}, CommandLine::Action::version, 1},
      {{"--job", "2", "--help"}, CommandLine::Action::help, 2},
      {{"--job="}, CommandLine::Action::usage_error, 1},
  };
  for (const Case& c : cases) {
    const CommandLine command = parse_command_line(c.arguments);
    EXPECT_EQ(command.action, c.action);
    if (c.action == CommandLine::Action::run) {
      EXPECT_EQ(command.job_code, c.job);
    }
  }
}

TEST(Driver, GeneratorAndDeckJobsSkipAMissingListing) {
  for (const char* job : {"0", "5"}) {
    const fs::path dir = fresh_directory(std::string("driver_skip_") + job);
    const RunResult result = run_meridian(dir, {"--job", job}, "");
    // No listing: the job's own input is missing, so its first read ends the run.
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_output, banner_bytes);
    EXPECT_FALSE(fs::exists(dir / "n3dhsp")) << "the listing phase is skipped";
    const char* input = job[0] == '0' ? "parameter_in.txt" : "nikein.txt";
    EXPECT_TRUE(fs::exists(dir / input));
    EXPECT_NE(result.standard_error.find(input), std::string::npos) << result.standard_error;
    fs::remove_all(dir);
  }
}

TEST(Driver, ConsoleAnswerThatIsNotANumber) {
  const fs::path source = fs::path(MERIDIAN_SOURCE_DIR) / "examples" / "n3dhsp";
  for (const char* answer : {"ten\n", ""}) {
    const fs::path dir = fresh_directory("driver_answer");
    fs::copy_file(source, dir / "n3dhsp");
    const RunResult result = run_meridian(dir, {}, answer);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_error.rfind("meridian: console", 0), 0u) << result.standard_error;
    EXPECT_TRUE(fs::exists(dir / "model_load.dat")) << "written before the question";
    EXPECT_FALSE(fs::exists(dir / "model_stress_1.dat"));
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace meridian
