// The driver as users meet it: the console bytes of a run, the command line,
// and what a run leaves in its directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
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

TEST(Driver, MissingInputsEndTheRunAndCreateNothing) {
  const struct {
    std::vector<std::string> arguments;
    const char* missing;
  } cases[] = {{{}, "n3dhsp"},          {{"--job", "2"}, "n3dhsp"},
               {{"--job", "3"}, "n3dhsp"}, {{"--job", "4"}, "n3dhsp"},
               {{"--job", "6"}, "n3dhsp"}, {{"--job", "0"}, "parameter_in.txt"},
               {{"--job", "5"}, "nikein.txt"}};
  for (const auto& c : cases) {
    for (const bool folder : {false, true}) {
      const fs::path dir = fresh_directory("driver_missing");
      if (folder) fs::create_directory(dir / c.missing);
      const RunResult result = run_meridian(dir, c.arguments, "10\n");
      EXPECT_EQ(result.exit_status, 2) << c.missing;
      EXPECT_EQ(result.standard_output, banner_bytes);
      EXPECT_EQ(result.standard_error,
                std::string("meridian: ") + c.missing + ": the input file is missing\r\n");
      EXPECT_TRUE(directory_files(dir).empty()) << "no file may be created";
      EXPECT_EQ(fs::is_directory(dir / c.missing), folder);
      fs::remove_all(dir);
    }
  }
}

TEST(Driver, HelpAndVersion) {
  const fs::path dir = fresh_directory("driver_help");
  const RunResult help = run_meridian(dir, {"--help"}, "");
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.standard_output.find("Usage: meridian [--job N] [--scale F] [-C DIR] [--vtk] [--portable-names] [--report]\r\n"),
            std::string::npos);
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
      {"--history"},   {"--history=node:1,,node:2"}, {"--history", "cell:3"}, {"--history=node:0"},
  };
  for (const auto& arguments : cases) {
    const fs::path dir = fresh_directory("driver_bad");
    const RunResult result = run_meridian(dir, arguments, "");
    EXPECT_EQ(result.exit_status, 2) << arguments[0];
    EXPECT_EQ(result.standard_output, "");
    EXPECT_TRUE(result.standard_error.starts_with("meridian: ")) << result.standard_error;
    EXPECT_TRUE(result.standard_error.ends_with(
        "\r\nTry 'meridian --help' for more information.\r\n"));
    EXPECT_EQ(std::count(result.standard_error.begin(), result.standard_error.end(), '\n'), 2);
    EXPECT_TRUE(directory_files(dir).empty()) << "no file may be created";
    fs::remove_all(dir);
  }
}

TEST(Driver, CommandLineForms) {
  const std::string here = fs::current_path().string();
  struct Case {
    std::vector<std::string> arguments;
    CommandLine::Action action;
    std::int32_t job;
    std::optional<double> scale = std::nullopt;
    std::string directory = {};
    bool vtk = false;
  } cases[] = {
      {{}, CommandLine::Action::run, 1},
      {{"--job", "0"}, CommandLine::Action::run, 0},
      {{"--job=6"}, CommandLine::Action::run, 6},
      {{"--job", "-3"}, CommandLine::Action::usage_error, 1},
      {{"--job", "7"}, CommandLine::Action::usage_error, 1},
      {{"--job", "+4"}, CommandLine::Action::run, 4},
      {{"--version"}, CommandLine::Action::version, 1},
      {{"--job", "2", "--help"}, CommandLine::Action::help, 2},
      {{"--job="}, CommandLine::Action::usage_error, 1},
      // The factor is read as the console answer is: free-form, first value.
      {{"--scale", "10"}, CommandLine::Action::run, 1, 10.0},
      {{"--scale=2.5e1"}, CommandLine::Action::run, 1, 25.0},
      {{"--scale", "-.5"}, CommandLine::Action::run, 1, -0.5},
      {{"--job", "1", "--scale", "3 and more"}, CommandLine::Action::run, 1, 3.0},
      {{"--scale", ""}, CommandLine::Action::usage_error, 1},
      {{"--scale", "1", "--scale", "2"}, CommandLine::Action::usage_error, 1},
      {{"--scale", "1", "--job", "0"}, CommandLine::Action::usage_error, 1},
      {{"-C", here}, CommandLine::Action::run, 1, std::nullopt, here},
      {{"-C" + here, "--vtk"}, CommandLine::Action::run, 1, std::nullopt, here, true},
      {{"--directory=" + here}, CommandLine::Action::run, 1, std::nullopt, here},
      {{"--directory", here, "-C", here}, CommandLine::Action::usage_error, 1},
      {{"--vtk", "--job", "5"}, CommandLine::Action::run, 5, std::nullopt, {}, true},
  };
  for (const Case& c : cases) {
    const CommandLine command = parse_command_line(c.arguments);
    EXPECT_EQ(command.action, c.action) << c.arguments[0];
    if (c.action == CommandLine::Action::run) {
      EXPECT_EQ(command.job_code, c.job);
      EXPECT_EQ(command.options.scale, c.scale);
      EXPECT_EQ(command.directory, c.directory);
      EXPECT_EQ(command.options.vtk, c.vtk);
    }
  }
}

TEST(Driver, GeneratorAndDeckJobsSkipAMissingListing) {
  for (const char* job : {"0", "5"}) {
    const fs::path dir = fresh_directory(std::string("driver_skip_") + job);
    const RunResult result = run_meridian(dir, {"--job", job}, "");
    // No listing: the listing phase is skipped, and the job's own input is
    // missing too.
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.standard_output, banner_bytes);
    const char* input = job[0] == '0' ? "parameter_in.txt" : "nikein.txt";
    EXPECT_EQ(result.standard_error,
              std::string("meridian: ") + input + ": the input file is missing\r\n");
    EXPECT_TRUE(directory_files(dir).empty());
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

// -C runs in the directory given as if started there, and --scale answers the
// question: the files are those of a run started there that reads the answer.
TEST(Driver, DirectoryAndScaleOptionsRunAsIfStartedThere) {
  const fs::path listing = fs::path(MERIDIAN_SOURCE_DIR) / "examples" / "n3dhsp";
  const fs::path asked = fresh_directory("driver_asked");
  const fs::path elsewhere = fresh_directory("driver_elsewhere");
  const fs::path target = fresh_directory("driver_target");
  fs::copy_file(listing, asked / "n3dhsp");
  fs::copy_file(listing, target / "n3dhsp");
  const RunResult answered = run_meridian(asked, {}, "10\n");
  const RunResult optioned =
      run_meridian(elsewhere, {"-C", target.string(), "--scale", "10"}, "");
  EXPECT_EQ(answered.exit_status, 0);
  EXPECT_EQ(optioned.exit_status, 0) << optioned.standard_error;
  EXPECT_EQ(directory_files(target), directory_files(asked));
  EXPECT_TRUE(directory_files(elsewhere).empty());
  // Nothing is asked: the console holds the banner and waiting line only.
  EXPECT_EQ(optioned.standard_output, banner_bytes);
  EXPECT_EQ(answered.standard_output,
            std::string(banner_bytes) + " \r\n Input the scale factor of presented deformation =\r\n");
  for (const fs::path& dir : {asked, elsewhere, target}) fs::remove_all(dir);
}

// -C takes any folder name, non-ASCII ones too (UTF-8 on the command line,
// UTF-16 at the Windows interface), and an answer typed with CR LF, as on a
// Windows console, is read as one with LF: the files are those of a run
// started in the folder that reads "10".
TEST(Driver, AnyFolderNameAndEitherLineEndOfTheAnswer) {
  const fs::path listing = fs::path(MERIDIAN_SOURCE_DIR) / "examples" / "n3dhsp";
  const fs::path asked = fresh_directory("driver_reference");
  fs::copy_file(listing, asked / "n3dhsp");
  const RunResult reference = run_meridian(asked, {}, "10\n");
  ASSERT_EQ(reference.exit_status, 0) << reference.standard_error;
  struct Case {
    const char* folder;  // UTF-8
    const char* answer;
  };
  const Case cases[] = {
      {"plain", "10\r\n"},
      {"r\xc3\xa9sultats \xc3\xbc", "10\n"},                  // résultats ü
      {"\xe8\xa8\x88\xe7\xae\x97 \xce\xa9 \xf0\x9f\x94\xa9", "10\r\n"},  // 計算 Ω and a
                                                                       // non-BMP character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const fs::path parent = fresh_directory("driver_folder_names");
    const std::string folder(c.folder);
    const fs::path target = parent / fs::path(std::u8string(folder.begin(), folder.end()));
    fs::create_directory(target);
    fs::copy_file(listing, target / "n3dhsp");
    const std::u8string target_text = target.u8string();
    const RunResult run = run_meridian(
        parent, {"-C", std::string(target_text.begin(), target_text.end())}, c.answer);
    EXPECT_EQ(run.exit_status, 0) << run.standard_error;
    EXPECT_EQ(run.standard_output, reference.standard_output);
    EXPECT_EQ(directory_files(target), directory_files(asked));
    fs::remove_all(parent);
  }
  fs::remove_all(asked);
}

// Every option --help names is described in the manual page.
// The option table is the one list of options: --help shows each, the manual
// page's OPTIONS section describes each and no other, and the parser takes
// each (once; twice is refused; a required value may not be missing).
TEST(CommandOptions, HelpManualAndParserFollowTheTable) {
  const std::string usage = usage_text();
  const std::string manual = read_file(fs::path(MERIDIAN_SOURCE_DIR) / "docs" / "meridian.1");
  const std::size_t options_at = manual.find(".SH OPTIONS");
  const std::size_t options_end = manual.find(".SH ", options_at + 1);
  ASSERT_NE(options_at, std::string::npos);
  const std::string section = manual.substr(options_at, options_end - options_at);
  const auto man = [](std::string_view name) {  // man(7) writes a minus as \-
    std::string escaped;
    for (const char c : name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    return escaped;
  };
  // A value each option that takes one accepts.
  const std::map<std::string_view, std::string> values = {
      {"--job", "2"}, {"--scale", "10"}, {"--directory", "."}, {"--follow", "5"},
      {"--report-budget", "5"}, {"--history", "node:1"}};
  // What an option needs beside it.
  const std::map<std::string_view, std::string> companions = {{"--report-budget", "--report"}};
  // The option each item of the manual's OPTIONS names first.
  std::set<std::string> items;
  for (std::size_t at = section.find(".TP\n"); at != std::string::npos; at = section.find(".TP\n", at + 1)) {
    const std::size_t dash = section.find("\\-", at);
    std::size_t end = dash;
    while (end < section.size() && (section.compare(end, 2, "\\-") == 0 ||
                                    std::isalpha(static_cast<unsigned char>(section[end])))) {
      end += section.compare(end, 2, "\\-") == 0 ? 2 : 1;
    }
    items.insert(section.substr(dash, end - dash));
  }
  std::set<std::string> table_words;
  for (const CommandOption& option : command_options()) {
    SCOPED_TRACE(std::string(option.name));
    // (Appended, not added to a literal: MinGW's GCC 12 warns falsely there.)
    std::string forms = "\n  ";
    forms += option.forms;
    EXPECT_NE(usage.find(forms), std::string::npos);
    if (!option.usage.empty()) {
      std::string usage_part = "[";
      usage_part += option.usage;
      usage_part += "]";
      EXPECT_NE(usage.find(usage_part), std::string::npos);
    }
    table_words.insert(man(option.name));
    if (!option.short_name.empty()) table_words.insert(man(option.short_name));
    EXPECT_TRUE(items.count(man(option.name)) || items.count(man(option.short_name)))
        << "no item of the manual's OPTIONS describes it";
    std::vector<std::string> once = {std::string(option.name)};
    if (option.value != CommandOption::Value::none) {
      ASSERT_TRUE(values.count(option.name)) << "the test needs a value for this option";
      once = {std::string(option.name) + "=" + values.at(option.name)};
    }
    if (companions.count(option.name)) once.push_back(companions.at(option.name));
    EXPECT_NE(parse_command_line(once).action, CommandLine::Action::usage_error)
        << parse_command_line(once).error;
    if (option.name == "--help" || option.name == "--version") continue;
    std::vector<std::string> twice = once;
    twice.insert(twice.begin() + 1, once[0]);
    EXPECT_NE(parse_command_line(twice).error.find("given twice"), std::string::npos);
    if (option.value == CommandOption::Value::required) {
      std::vector<std::string> alone = {std::string(option.name)};
      if (companions.count(option.name)) alone.insert(alone.begin(), companions.at(option.name));
      EXPECT_EQ(parse_command_line(alone).error,
                std::string(option.name) + " needs " + std::string(option.value_needed));
    }
  }
  for (const std::string& item : items) {
    EXPECT_TRUE(table_words.count(item)) << item << " is in the manual but not in the table";
  }
}

}  // namespace
}  // namespace meridian
