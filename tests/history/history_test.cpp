// history.csv (--history): the items of the option, the columns, and whole
// runs whose rows are held against the values the listing prints and the
// stress files hold, worked out apart from the writer.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_job.hpp"
#include "history/history_file.hpp"
#include "history/history_items.hpp"
#include "records/fatal.hpp"
#include "support/listing_writer.hpp"
#include "support/result_texts.hpp"
#include "support/scratch_dir.hpp"

namespace meridian::testing {
namespace {

using Kind = HistoryItem::Kind;

struct ItemsCase {
  const char* text;
  std::vector<HistoryItem> items;  // expected when `error` is empty
  const char* error = "";          // a part of the message
};

const std::vector<ItemsCase> items_cases = {
    {"node:5", {{Kind::node, 5}}},
    {"node:5,element:2,spring:1", {{Kind::node, 5}, {Kind::element, 2}, {Kind::spring, 1}}},
    {"element:7,node:7,element:7,node:007", {{Kind::element, 7}, {Kind::node, 7}}},
    {"spring:2147483647", {{Kind::spring, 2147483647}}},
    {"", {}, "needs at least one item"},
    {",node:1", {}, "an empty item in \",node:1\""},
    {"node:1,", {}, "an empty item"},
    {"node:1,,node:2", {}, "an empty item"},
    {"node:0", {}, "\"node:0\" is not node:N, element:N or spring:N"},
    {"node:-3", {}, "\"node:-3\" is not"},
    {"node:+3", {}, "\"node:+3\" is not"},
    {"node:3.0", {}, "\"node:3.0\" is not"},
    {"node:", {}, "\"node:\" is not"},
    {"node", {}, "\"node\" is not"},
    {"Node:1", {}, "\"Node:1\" is not"},
    {"nodes:1", {}, "\"nodes:1\" is not"},
    {"node:1 ", {}, "\"node:1 \" is not"},
    {" node:1", {}, "\" node:1\" is not"},
    {"node:1;node:2", {}, "\"node:1;node:2\" is not"},
    {"node::1", {}, "\"node::1\" is not"},
    {"spring:2147483648", {}, "\"spring:2147483648\" is not"},
};

TEST(HistoryItems, ParseTable) {
  for (const ItemsCase& c : items_cases) {
    SCOPED_TRACE(c.text);
    const ParsedHistoryItems parsed = parse_history_items(c.text);
    if (std::string(c.error).empty()) {
      EXPECT_EQ(parsed.error, "");
      EXPECT_EQ(parsed.items, c.items);
    } else {
      EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << "one line";
      EXPECT_TRUE(parsed.items.empty());
    }
  }
}

// The fields of a CSV record.
std::vector<std::string> fields(const std::string& record) { return split(record, ','); }

struct ColumnCase {
  HistoryItem item;
  std::size_t count;
  std::map<std::size_t, std::string> named;  // column (after "step") -> name
};

const std::vector<ColumnCase> column_cases = {
    {{Kind::node, 12},
     12,
     {{0, "node_12_x_displacement"}, {1, "node_12_y_displacement"}, {2, "node_12_z_displacement"},
      {3, "node_12_displacement"}, {4, "node_12_stress_xx"}, {5, "node_12_stress_yy"},
      {6, "node_12_stress_zz"}, {7, "node_12_stress_xy"}, {8, "node_12_stress_yz"},
      {9, "node_12_stress_zx"}, {10, "node_12_effective_stress"}, {11, "node_12_temperature"}}},
    {{Kind::element, 3},
     56,
     {{0, "element_3_ip1_stress_xx"}, {5, "element_3_ip1_stress_zx"},
      {6, "element_3_ip1_effective_stress"}, {7, "element_3_ip2_stress_xx"},
      {30, "element_3_ip5_stress_zz"}, {55, "element_3_ip8_effective_stress"}}},
    {{Kind::spring, 40}, 2, {{0, "spring_40_deflection"}, {1, "spring_40_force"}}},
};

TEST(HistoryHeader, ColumnTable) {
  std::vector<HistoryItem> all;
  std::size_t total = 1;
  for (const ColumnCase& c : column_cases) {
    const std::vector<std::string> columns = fields(history_header({c.item}));
    ASSERT_EQ(columns.size(), c.count + 1);
    EXPECT_EQ(columns[0], "step");
    for (const auto& [at, name] : c.named) EXPECT_EQ(columns[at + 1], name);
    all.push_back(c.item);
    total += c.count;
  }
  // Items follow each other in the order named.
  const std::vector<std::string> columns = fields(history_header(all));
  ASSERT_EQ(columns.size(), total);
  EXPECT_EQ(columns[12], "node_12_temperature");
  EXPECT_EQ(columns[13], "element_3_ip1_stress_xx");
  EXPECT_EQ(columns[total - 1], "spring_40_force");
}

// Two bodies of two materials and a node in no element: body 1 (material 1)
// nodes 1..12, elements 1 and 2; body 2 (material 2) nodes 13..20, element 3;
// node 21 alone. Every printed value survives its field exactly: displacements
// of up to 5 digits (E13.5), element values of 3 (E11.3), huge and negative
// ones among them. With a spring (node 1 to node 13), the stress files hold
// the element nodes 1..20 alone.
std::array<double, 4> node_values(int node, int step) {
  if (node == 7 && step == 2) return {exact("1.5e30"), exact("-2.25e-30"), 0.0, -40.0};
  return {exact(std::to_string(25 * (node % 3 - 1) * step) + "e-4"),
          exact(std::to_string(-5 * node) + "e-4"), 0.125 * step, 20.0 + node};
}

// Element e, integration point p (0-based), component c at step s: three
// digits, negative on odd points, and a factor 1e25 in step 2.
double element_value(int e, int p, int c, int s) {
  const int digits = (p + 1) * 100 + c * 10 + e;
  // (Appended, not added to a literal: MinGW's GCC 12 warns falsely there.)
  std::string text = p % 2 == 1 ? "-" : "";
  text += std::to_string(digits);
  if (s == 2) text += "e25";
  return exact(text);
}

ListingFixture two_bodies(bool spring) {
  ListingFixture f;
  add_block(f, 2, 1, 1, 0.0, 0.0, 0.0, 1);
  add_block(f, 1, 1, 1, 5.0, 0.0, 0.0, 2);
  f.nodes.push_back({0, 9.0, 9.0, 9.0});
  if (spring) {
    f.spring_types.push_back({1000.0, 1});
    f.springs.push_back({1, 13, 1, 1.0});
  }
  add_steps(f, 2, {node_values, element_value, [](int, int s) {
                     return ListingSpringResult{exact("0.25e-2"), exact("-0.75e-3") * s, exact("-1.5e4") * s};
                   }});
  return f;
}

std::string run_with_history(std::int32_t job, const std::string& items) {
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  RunOptions options;
  options.history = parse_history_items(items).items;
  if (job == 1) options.scale = 10.0;
  run_job(job, options, console);
  output.flush();
  return output.contents();
}

// The rows of a CSV file (CR LF records), split into fields.
std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    rows.push_back(fields(text.substr(start, end - start)));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "every record ends with CR LF";
  return rows;
}

// The double a history field holds: the shortest text that reads back.
double field(const std::string& text) {
  std::size_t used = 0;
  const double value = std::stod(text, &used);
  EXPECT_EQ(used, text.size()) << text;
  return value;
}

void expect_close(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(actual, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

TEST(HistoryRun, RowsHoldTheListingsAndTheStressFilesValues) {
  for (const bool spring : {false, true}) {
    SCOPED_TRACE(spring ? "with a spring" : "without springs");
    ScratchDir dir;
    write_listing_file(two_bodies(spring), "n3dhsp");
    const std::string items = spring ? "node:7,element:3,spring:1,node:13,element:1,node:20"
                                     : "node:7,element:3,node:21,node:13,element:1,node:20";
    run_with_history(2, items);
    const auto rows = csv_rows(read_file("history.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], fields(history_header(parse_history_items(items).items)));
    const int node_count = spring ? 20 : 21;
    for (int s = 1; s <= 2; ++s) {
      const std::vector<std::string>& row = rows[static_cast<std::size_t>(s)];
      EXPECT_EQ(row[0], std::to_string(s));
      const auto stress = stress_file_nodes(read_file("model_stress_" + std::to_string(s) + ".dat"), node_count);
      std::size_t at = 1;
      for (const HistoryItem& item : parse_history_items(items).items) {
        const std::string what = history_item_name(item) + " step " + std::to_string(s);
        switch (item.kind) {
          case Kind::node: {
            const std::array<double, 4> printed = node_values(item.number, s);
            for (int d = 0; d < 3; ++d) EXPECT_EQ(field(row[at++]), printed[d]) << what;
            const double squares = printed[0] * printed[0] + printed[1] * printed[1] + printed[2] * printed[2];
            EXPECT_EQ(field(row[at++]), std::sqrt(squares)) << what;
            const auto& file = stress[static_cast<std::size_t>(item.number - 1)];
            for (int c = 0; c < 7; ++c) expect_close(field(row[at++]), file[3 + c], what);
            EXPECT_EQ(field(row[at++]), printed[3]) << what;
            if (item.number == 21) {
              for (std::size_t c = at - 8; c < at - 1; ++c) EXPECT_EQ(row[c], "0") << "a node in no element";
            }
            break;
          }
          case Kind::element:
            for (int p = 0; p < 8; ++p) {
              for (int c = 0; c < 7; ++c) {
                EXPECT_EQ(field(row[at++]), element_value(item.number, p, c, s)) << what << " ip" << p + 1;
              }
            }
            break;
          case Kind::spring:
            EXPECT_EQ(field(row[at++]), exact("-0.75e-3") * s - exact("0.25e-2")) << what;
            EXPECT_EQ(field(row[at++]), exact("-1.5e4") * s) << what;
            break;
        }
      }
      EXPECT_EQ(at, row.size());
    }
  }
}

struct MissingCase {
  bool spring;
  const char* items;
  const char* message;
};

const std::vector<MissingCase> missing_cases = {
    {false, "node:1,node:22", "n3dhsp: --history names node:22, which the model lacks: its stress files hold nodes 1 to 21"},
    // With springs the stress files hold the element nodes alone.
    {true, "node:21", "n3dhsp: --history names node:21, which the model lacks: its stress files hold nodes 1 to 20"},
    {false, "element:4", "n3dhsp: --history names element:4, which the model lacks: it has elements 1 to 3"},
    {false, "spring:1", "n3dhsp: --history names spring:1, which the model lacks: it has no spring"},
    {true, "spring:2", "n3dhsp: --history names spring:2, which the model lacks: it has spring 1"},
};

TEST(HistoryRun, AnItemTheModelLacksEndsTheRunBeforeAnyFile) {
  for (const MissingCase& c : missing_cases) {
    SCOPED_TRACE(c.items);
    for (const std::int32_t job : {1, 2, 6}) {
      ScratchDir dir;
      write_listing_file(two_bodies(c.spring), "n3dhsp");
      try {
        run_with_history(job, c.items);
        ADD_FAILURE() << "the run went on";
      } catch (const FatalError& error) {
        EXPECT_EQ(std::string(error.what()), c.message);
      }
      EXPECT_EQ(dir.files(), std::set<std::string>{"n3dhsp"}) << "job " << job;
    }
  }
}

// Elements on both sides of the reader's batches of 1024 elements.
TEST(HistoryRun, ElementsAcrossTheReadersBatches) {
  ScratchDir dir;
  ListingFixture f;
  add_block(f, 11, 10, 10);
  add_simple_steps(f, 1);
  const std::vector<int> picked = {1, 1024, 1025, 1100};
  for (const int e : picked) {
    for (int p = 0; p < 8; ++p) {
      for (int c = 0; c < 7; ++c) f.steps[0].element_values[e - 1][p][c] = element_value(e % 10, p, c, 1);
    }
  }
  write_listing_file(f, "n3dhsp");
  run_with_history(2, "element:1100,element:1,element:1025,element:1024");
  const auto rows = csv_rows(read_file("history.csv"));
  ASSERT_EQ(rows.size(), 2u);
  std::size_t at = 1;
  for (const int e : {1100, 1, 1025, 1024}) {
    for (int p = 0; p < 8; ++p) {
      for (int c = 0; c < 7; ++c) EXPECT_EQ(field(rows[1][at++]), element_value(e % 10, p, c, 1)) << e;
    }
  }
}

// Every file but history.csv, and the console, the same with and without
// the option, for the jobs that write as they read and for those that store
// the steps first (job 6 with a spring, job 1 answering on the console).
TEST(HistoryRun, OtherFilesAreTheSameWithAndWithoutTheOption) {
  for (const std::int32_t job : {1, 2, 3, 6}) {
    std::map<std::string, std::string> plain, with_history;
    for (auto* files : {&plain, &with_history}) {
      ScratchDir dir;
      write_listing_file(two_bodies(true), "n3dhsp");
      const std::string console =
          run_with_history(job, files == &plain ? "" : "node:3,element:2,spring:1");
      for (const std::string& name : dir.files()) (*files)[name] = read_file(dir.path() / name);
      (*files)["(console)"] = console;
    }
    ASSERT_EQ(with_history.erase("history.csv"), 1u) << "job " << job;
    EXPECT_EQ(plain, with_history) << "job " << job;
  }
}

TEST(HistoryRun, AListingWithoutStepsGivesTheHeader) {
  ScratchDir dir;
  ListingFixture f = two_bodies(false);
  f.steps.clear();
  write_listing_file(f, "n3dhsp");
  run_with_history(2, "element:2,node:4");
  EXPECT_EQ(read_file("history.csv"),
            records({history_header({{Kind::element, 2}, {Kind::node, 4}})}));
}

}  // namespace
}  // namespace meridian::testing
