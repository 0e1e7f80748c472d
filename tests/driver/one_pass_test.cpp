// Runs that write each step while the next is read (no question waits) leave
// exactly what the same run leaves when the listing is read whole first (the
// scale answered on the console): the same files, bytes, console and status,
// also when the listing or a write fails part-way. A failing listing leaves
// every earlier result as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "run_support.hpp"
#include "support/listing_writer.hpp"
#include "support/system_traits.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using testing::ListingFixture;

// A block of nx x ny x nz bricks over `steps` steps; a value of its own marks
// the last step's nodal printout and one the second step's element printout,
// for the cases to spoil.
ListingFixture marked_model(int nx, int ny, int nz, int steps) {
  ListingFixture f;
  testing::add_block(f, nx, ny, nz);
  testing::add_simple_steps(f, steps);
  if (steps == 0) return f;
  f.steps.back().node_values[2][0] = 1.2345e-17;
  if (steps >= 2) f.steps[1].element_values[5][3][2] = 6.78e-19;
  return f;
}

struct Spoil {
  std::string from, to;  // the first `from` of the listing becomes `to`
};

struct OnePassCase {
  const char* name;
  ListingFixture listing;
  std::vector<Spoil> spoils;
  int cut_lines = 0;                 // lines taken off the end of the listing
  std::vector<std::string> options;  // besides the scale
  std::uint64_t file_size_limit = 0;  // 0: none
  // The spoil whose row the message must name (-1: none).
  int failing_spoil = -1;
};

void PrintTo(const OnePassCase& c, std::ostream* out) { *out << c.name; }

std::string text_of(const OnePassCase& c, std::vector<long>& spoiled_lines) {
  std::string text = testing::write_listing_text(c.listing);
  for (const Spoil& spoil : c.spoils) {
    const std::size_t at = text.find(spoil.from);
    EXPECT_NE(at, std::string::npos) << spoil.from;
    text.replace(at, spoil.from.size(), spoil.to);
    spoiled_lines.push_back(1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
  }
  for (int i = 0; i < c.cut_lines; ++i) text.erase(text.rfind('\n', text.size() - 2) + 1);
  return text;
}

// What a directory holds: every entry, links as links.
std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    entries[name] = entry.is_symlink() ? "-> " + fs::read_symlink(entry.path()).string()
                                       : read_file(entry.path());
  }
  return entries;
}

// Results of an earlier run, one of them a link to a file of the user's.
std::map<std::string, std::string> put_earlier_results(const fs::path& dir) {
  write_file(dir / "model_load.dat", "an earlier model\r\n");
  write_file(dir / "model_stress_1.dat", "an earlier step 1\r\n");
  write_file(dir / "report.html", "an earlier report\n");
  if (testing::has_permission_bits_and_links) {
    write_file(dir / "kept.txt", "the user's file\r\n");
    fs::create_symlink("kept.txt", dir / "model_stress_2.dat");
  }
  return contents(dir);
}

class OnePass : public ::testing::TestWithParam<OnePassCase> {};

TEST_P(OnePass, LeavesWhatTheRunReadingFirstLeaves) {
  const OnePassCase& c = GetParam();
  if (c.file_size_limit != 0 && !can_limit_file_size()) GTEST_SKIP() << "no file size limit";
  std::vector<long> spoiled_lines;
  const std::string listing = text_of(c, spoiled_lines);
  const auto run = [&](const std::string& name, std::vector<std::string> arguments,
                       const std::string& input) {
    const fs::path dir = fresh_directory("one_pass_" + std::string(c.name) + "_" + name);
    write_file(dir / "n3dhsp", listing);
    const auto before = put_earlier_results(dir);
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const RunResult result = c.file_size_limit == 0
                                 ? run_meridian(dir, arguments, input)
                                 : run_with_file_size_limit(dir, arguments, input, c.file_size_limit);
    return std::make_tuple(result, before, contents(dir), dir);
  };
  const auto [read_first, before, read_first_files, dir_a] = run("read_first", {}, "10\n");
  const auto [one_pass, unused, one_pass_files, dir_b] = run("one_pass", {"--scale", "10"}, "");

  std::string asked = read_first.standard_output;
  const std::string question = " \r\n Input the scale factor of presented deformation =\r\n";
  if (const std::size_t at = asked.find(question); at != std::string::npos) {
    asked.erase(at, question.size());
  }
  EXPECT_EQ(one_pass.exit_status, read_first.exit_status);
  EXPECT_EQ(one_pass.standard_error, read_first.standard_error);
  EXPECT_EQ(one_pass.standard_output, asked);
  EXPECT_EQ(one_pass_files, read_first_files) << "the same files, byte for byte";
  if (!c.spoils.empty() || c.cut_lines > 0) {
    // Every result stays as it was, and nothing else is left.
    EXPECT_EQ(one_pass.exit_status, 2);
    EXPECT_EQ(one_pass_files, before);
  } else if (c.file_size_limit == 0) {
    EXPECT_EQ(one_pass.exit_status, 0) << one_pass.standard_error;
  }
  if (c.failing_spoil >= 0) {
    // The first failing row in the listing's order wins over any other failure.
    EXPECT_TRUE(one_pass.standard_error.starts_with(
        "meridian: n3dhsp, line " + std::to_string(spoiled_lines[c.failing_spoil]) + ":"))
        << one_pass.standard_error;
  }
  fs::remove_all(dir_a);
  fs::remove_all(dir_b);
}

std::vector<OnePassCase> one_pass_cases() {
  const Spoil last_step_row{"0.12345E-16", "0.12x45E-16"};
  const Spoil element_row{"0.678E-18", "0.6x8E-18"};
  // A block of 16 x 16 x 16 bricks has its element printout parsed on a
  // second CPU.
  return {
      {"clean", marked_model(2, 2, 2, 3), {}, 0, {"--vtk", "--report"}},
      {"no_steps", marked_model(2, 2, 2, 0), {}, 0, {"--vtk", "--report"}},
      {"bad_row_in_the_last_step", marked_model(2, 2, 2, 3), {last_step_row}, 0,
       {"--vtk", "--report"}, 0, 0},
      {"listing_ends_in_the_last_step", marked_model(2, 2, 2, 3), {}, 5, {"--vtk", "--report"}},
      {"first_of_two_bad_rows_on_two_threads", marked_model(16, 16, 16, 3),
       {element_row, last_step_row}, 0, {}, 0, 0},
      {"write_fails_in_the_first_step", marked_model(10, 10, 8, 2), {}, 0, {}, 256 * 1024},
      {"write_fails_and_the_last_step_is_bad", marked_model(10, 10, 8, 2), {last_step_row}, 0, {},
       256 * 1024, 0},
  };
}

INSTANTIATE_TEST_SUITE_P(Runs, OnePass, ::testing::ValuesIn(one_pass_cases()),
                         [](const ::testing::TestParamInfo<OnePassCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace meridian
