// Element printouts parsed on a second CPU: the same sums and the same first
// message as a reading in one thread, across the batches the rows travel in.

#include "listing/element_printout.hpp"

#include <gtest/gtest.h>

#include <string>

#include "listing/load_helpers.hpp"
#include "platform/platform.hpp"
#include "support/case_names.hpp"

namespace meridian::testing {
namespace {

using meridian::testing::PrintTo;

// 16 x 16 x 17 bricks: 4352 elements, four full batches and a part, two steps.
const std::string& block_listing() {
  static const std::string text = [] {
    ListingFixture f;
    add_block(f, 16, 16, 17);
    add_simple_steps(f, 2);
    return write_listing_text(f);
  }();
  return text;
}

// Line of integration point `point` (1..8) of `element` in the printout of `step`.
long row_line(const std::string& text, int step, int element, int point) {
  long from = 1;
  for (int s = 1; s <= step; ++s) from = line_of(text, " e l e m e n t   s t r e s s e s", from) + 1;
  std::string header = " element" + std::string(8 - std::to_string(element).size(), ' ') +
                       std::to_string(element) + "   material";
  return line_of(text, header, from) + point;
}

std::size_t offset_of_line(const std::string& text, long line) {
  std::size_t at = 0;
  for (long l = 1; l < line; ++l) at = text.find('\n', at) + 1;
  return at;
}

// The text with columns [column, column + replacement) of a line replaced.
std::string replaced(std::string text, long line, std::size_t column, const std::string& with) {
  text.replace(offset_of_line(text, line) + column, with.size(), with);
  return text;
}

// The text up to the end of a line.
std::string cut_after(std::string text, long line) {
  text.resize(offset_of_line(text, line + 1));
  return text;
}

std::string error_of(const std::string& text, bool second_cpu) {
  try {
    InputFile in = InputFile::from_text("n3dhsp", text);
    load_listing(in, second_cpu);
  } catch (const FatalError& error) {
    return error.what();
  }
  return "";
}

struct RowCase {
  const char* name;
  std::string text;
  std::string expected;  // the message, from the line numbers of the text
};

std::vector<RowCase> row_cases() {
  const std::string& text = block_listing();
  const std::string bad = "  0.1.0E+03";
  const auto field = [&](long line) {
    return "n3dhsp, line " + std::to_string(line) + ": cannot read a real from \"" + bad +
           "\" (columns 19-29)";
  };
  // A value that is not a number in time step 1 or 2 of the listing's 2.
  const auto conversion = [&](long line, int step = 1) {
    return field(line) + "; time step " + std::to_string(step) +
           " of the 2 that control card 3 announces cannot be read; " +
           (step == 1 ? "no step is complete (--partial writes the model files)"
                      : "step 1 is complete (--partial writes it)");
  };
  std::vector<RowCase> cases;
  const long first = row_line(text, 1, 5, 3);
  cases.push_back({"first_batch", replaced(text, first, 18, bad), conversion(first)});
  // The reading thread parses the end of each batch itself (elements 897 to
  // 1024 of the first): an error there, and one in each part of a batch.
  const long tail = row_line(text, 1, 1000, 7);
  cases.push_back({"end_of_a_batch", replaced(text, tail, 18, bad), conversion(tail)});
  const long head = row_line(text, 1, 100, 2);
  cases.push_back({"both_parts_of_a_batch", replaced(replaced(text, tail, 18, bad), head, 18, bad),
                   conversion(head)});
  const long boundary = row_line(text, 1, 1025, 1);
  cases.push_back({"next_batch_first_row", replaced(text, boundary, 18, bad), conversion(boundary)});
  const long last = row_line(text, 2, 4352, 8);
  cases.push_back({"last_row_of_step_2", replaced(text, last, 18, bad), conversion(last, 2)});
  // An error in the batch being parsed, or in the one being filled, when the
  // listing ends: the error comes first.
  const long handed = row_line(text, 1, 2500, 4);
  const long cut = row_line(text, 1, 3500, 2);
  cases.push_back({"error_in_the_batch_handed_over",
                   cut_after(replaced(text, handed, 18, bad), cut), conversion(handed)});
  const long filling = row_line(text, 1, 3200, 4);
  cases.push_back({"error_in_the_batch_being_filled",
                   cut_after(replaced(text, filling, 18, bad), cut), conversion(filling)});
  // The listing ends in the first element of a batch, after a failing row.
  const long opening = row_line(text, 1, 3073, 2);
  cases.push_back({"error_in_a_batchs_cut_first_element",
                   cut_after(replaced(text, opening, 18, bad), opening + 1), conversion(opening)});
  // The listing ends right after the printout holding the error: lines follow
  // the failing row, so it does not end there.
  const long late = row_line(text, 2, 4100, 2);
  cases.push_back({"error_then_the_listing_ends",
                   cut_after(replaced(text, late, 18, bad), row_line(text, 2, 4352, 8) + 2),
                   conversion(late, 2)});
  const long end = row_line(text, 1, 3000, 6);
  cases.push_back({"listing_ends_in_a_batch", cut_after(text, end),
                   "n3dhsp, line " + std::to_string(end + 1) +
                       ": end of file while reading an element printout; the listing ends in "
                       "time step 1 of the 2 that control card 3 announces; no step is complete "
                       "(--partial writes the model files)"});
  // The failing row is the listing's last line: the listing ends at it.
  cases.push_back({"error_in_the_last_line", cut_after(replaced(text, end, 18, bad), end),
                   field(end) + "; the listing ends in time step 1 of the 2 that control "
                                     "card 3 announces; no step is complete (--partial writes "
                                     "the model files)"});
  return cases;
}

class ElementRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(ElementRows, FirstMessageAsInOneThread) {
  const RowCase& c = GetParam();
  EXPECT_EQ(error_of(c.text, true), c.expected);
  EXPECT_EQ(error_of(c.text, false), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Batches, ElementRows, ::testing::ValuesIn(row_cases()), CaseName());

TEST(ElementRows, SameSumsOnBothPaths) {
  InputFile alongside = InputFile::from_text("n3dhsp", block_listing());
  InputFile alone = InputFile::from_text("n3dhsp", block_listing());
  const ListingModel a = load_listing(alongside, true);
  const ListingModel b = load_listing(alone, false);
  ASSERT_EQ(a.steps.step_count(), 2);
  for (std::int32_t s = 1; s <= 2; ++s) {
    std::vector<double> result_a, stress_a, result_b, stress_b;
    a.steps.load(s, result_a, stress_a);
    b.steps.load(s, result_b, stress_b);
    EXPECT_EQ(result_a, result_b);
    EXPECT_EQ(stress_a, stress_b) << "step " << s;
    EXPECT_NE(stress_a, std::vector<double>(stress_a.size(), 0.0));
  }
}

TEST(ElementRows, UsableCpusCountsThisProcess) { EXPECT_GE(platform::usable_cpus(), 1); }

}  // namespace
}  // namespace meridian::testing
