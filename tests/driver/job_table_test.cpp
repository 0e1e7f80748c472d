// The job table: each job's row, walked by run_job, writes the files that job
// has always written, in a directory holding every input any job reads.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "driver/command_line.hpp"
#include "driver/run_job.hpp"
#include "files/output_file.hpp"
#include "support/case_names.hpp"
#include "support/listing_writer.hpp"
#include "support/scratch_dir.hpp"
#include "two_node_deck.hpp"

namespace meridian::testing {
namespace {

using testing::PrintTo;

// Two bricks side by side with an interface between their facing sides and a
// spring between two nodes; two printed steps.
ListingFixture two_bricks() {
  ListingFixture f;
  add_block(f, 2, 1, 1);
  f.interfaces.push_back({{{2, 5, 11, 8}}, {{2, 8, 11, 5}}});
  f.spring_types.push_back({1000.0, 3});
  f.springs.push_back({1, 12, 1, 1.0});
  add_simple_steps(f, 2);
  return f;
}

// The spring section of nikein for one spring: marker, 6 lines, the spring,
// 3 lines, its orientation record.
std::string spring_deck() {
  std::string deck = "title\n*------------------ DISCRETE ELEMENTS\n";
  for (int i = 0; i < 6; ++i) deck += "* heading\n";
  deck += "    1       1      12    3\n";
  for (int i = 0; i < 3; ++i) deck += "* heading\n";
  deck += "       1      12    4    7\n";
  return deck;
}

const std::string input_deck =
    deck_head + deck_control_without_interfaces + deck_nodes_and_element + deck_temperatures;

const std::set<std::string> inputs = {"n3dhsp", "nikein", "nikein.txt", "parameter_in.txt"};
const std::set<std::string> listing_views = {"model_load.dat", "model_stress_1.dat",
                                             "model_stress_2.dat"};
const std::set<std::string> interface_zones = {"interface_m_1.dat", "interface_s_1.dat"};

std::set<std::string> joined(std::initializer_list<std::set<std::string>> sets) {
  std::set<std::string> all;
  for (const auto& set : sets) all.insert(set.begin(), set.end());
  return all;
}

struct JobFiles {
  const char* name;
  std::int32_t job_code;
  std::set<std::string> written;  // besides the inputs
  bool model_load_replaced;       // by the generated model's or the deck's view
};

class JobTable : public ::testing::TestWithParam<JobFiles> {};

TEST_P(JobTable, WritesTheFilesOfItsJob) {
  const JobFiles& c = GetParam();
  ScratchDir dir;
  write_listing_file(two_bricks(), "n3dhsp");
  write_file("nikein", spring_deck());
  write_file("nikein.txt", input_deck);
  std::filesystem::copy_file(std::filesystem::path(MERIDIAN_SOURCE_DIR) / "tests/viewer/parameter_in.txt",
                             "parameter_in.txt");
  InputFile input = InputFile::from_text("console", "10\n");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  run_job(c.job_code, RunOptions{}, console);
  EXPECT_EQ(dir.files(), joined({inputs, c.written}));
  // The listing's model has 12 nodes; the deck's and the generated model's
  // another number.
  const bool listing_view = read_file("model_load.dat").find("N=   12,") != std::string::npos;
  EXPECT_EQ(listing_view, !c.model_load_replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobTable,
    ::testing::Values(
        JobFiles{"job0", 0,
                 joined({listing_views, interface_zones,
                         {"out_node.txt", "out_element.txt", "out_interface.txt", "out_load.txt",
                          "out_spring.txt"}}),
                 true},
        JobFiles{"job1", 1, listing_views, false},
        JobFiles{"job2", 2,
                 joined({listing_views, interface_zones, {"edge_node_1.csv", "edge_node_2.csv"}}),
                 false},
        JobFiles{"job3", 3,
                 joined({listing_views, interface_zones,
                         {"diagonal_node_1.csv", "diagonal_node_2.csv"}}),
                 false},
        JobFiles{"job4", 4, joined({listing_views, interface_zones, {"done"}}), false},
        JobFiles{"job5", 5, joined({listing_views, interface_zones}), true},
        JobFiles{"job6", 6,
                 joined({listing_views, interface_zones,
                         {"line_node_1.csv", "line_node_2.csv", "spring_1.csv", "spring_2.csv"}}),
                 false},
        JobFiles{"job9", 9, joined({listing_views, interface_zones}), false}),
    CaseName());

// The "Jobs" part of --help comes from the rows: each job's text names what
// its row reads and writes, and every line fits the terminal.
TEST(JobTable, HelpTellsWhatEachRowDoes) {
  const std::string usage = usage_text();
  // (Appended, not added to a literal: MinGW's GCC 12 warns falsely there.)
  for (std::int32_t job = 0; job <= 6; ++job) {
    SCOPED_TRACE("job " + std::to_string(job));
    const JobRow& row = job_row(job);
    const std::string help(row.help);
    ASSERT_FALSE(help.empty());
    std::string lines = "  ";
    lines += std::to_string(job);
    lines += "  ";
    lines += help;
    for (std::size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1)) {
      lines.insert(at + 1, "     ");
    }
    EXPECT_NE(usage.find(lines + "\n"), std::string::npos) << "--help shows the row's text";
    const std::vector<std::pair<bool, std::string>> named = {
        {row.generator, "parameter_in.txt"}, {row.deck_view, "nikein.txt"},
        {row.deck_rewrite, "nikein"},        {row.steps.edge_paths, "edge_node_"},
        {row.steps.diagonal_paths, "diagonal_node_"}, {row.steps.axis_lines, "line_node_"},
        {row.steps.springs, "spring_<c>"},   {row.asks_scale, "scale factor"},
        {!row.listing_required, "when n3dhsp exists"}};
    for (const auto& [does, text] : named) {
      if (does) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
      }
    }
  }
  for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 88u) << usage.substr(start, end - start);
  }
}

}  // namespace
}  // namespace meridian::testing
