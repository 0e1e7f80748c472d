// Layout texts that would expand into an unbounded program, and values or
// targets given to a layout without data fields: refused with
// std::invalid_argument instead of hanging, exhausting memory or reading past
// the layout's end.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "records/layout.hpp"
#include "support/case_names.hpp"

namespace meridian {
namespace {

using meridian::testing::PrintTo;

std::string nested(int depth, const std::string& inner) {
  return std::string(static_cast<std::size_t>(depth), '(') + inner +
         std::string(static_cast<std::size_t>(depth), ')');
}

struct LayoutCase {
  const char* name;
  std::string text;
  bool accepted;
  std::size_t field_count;  // when accepted
};

class LayoutBounds : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutBounds, AcceptedOrRefused) {
  const LayoutCase& c = GetParam();
  if (c.accepted) {
    const Layout layout(c.text);
    EXPECT_EQ(layout.fields().size(), c.field_count);
  } else {
    EXPECT_THROW(Layout{c.text}, std::invalid_argument);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutBounds,
    ::testing::Values(
        // Repeats that multiply to 10^10 fields (found by the fuzzer: it hung).
        LayoutCase{"nested_repeats", "(99999(99999(I1)))", false, 0},
        LayoutCase{"repeat_of_a_large_group", "(2(50001I1))", false, 0},
        LayoutCase{"fields_at_the_bound", "(100000I1)", true, 100000},
        LayoutCase{"group_at_the_bound", "(2(50000I1))", true, 100000},
        LayoutCase{"one_field_over_the_bound", "(I1,2(50000I1))", false, 0},
        // One pass of 10^10 columns would overflow the record width.
        LayoutCase{"too_wide", "(99999I99999)", false, 0},
        LayoutCase{"width_at_the_bound", "(100I100000)", true, 100},
        LayoutCase{"width_over_the_bound", "(100I100000,1X)", false, 0},
        LayoutCase{"nesting_at_the_bound", nested(65, "I1"), true, 1},
        LayoutCase{"nesting_too_deep", nested(66, "I1"), false, 0},
        LayoutCase{"very_deep_nesting", nested(100000, "I1"), false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

class NoDataField : public ::testing::TestWithParam<const char*> {};

TEST_P(NoDataField, ValuesAreRefused) {
  const Layout layout(GetParam());
  const std::vector<FieldValue> one{FieldValue(std::int64_t{5})};
  EXPECT_THROW(render_records(layout, one), std::invalid_argument);
}

TEST_P(NoDataField, TargetsAreRefused) {
  const Layout layout(GetParam());
  InputFile in = InputFile::from_text("cards.txt", "    12\n    13\n");
  std::int32_t value = 0;
  const std::vector<FieldTarget> one{FieldTarget(&value)};
  EXPECT_THROW(read_record(in, layout, one), std::invalid_argument);
}

TEST_P(NoDataField, NoValueWritesOneEmptyRecord) {
  const Layout layout(GetParam());
  EXPECT_EQ(render_records(layout, {}), std::vector<std::string>{""});
}

INSTANTIATE_TEST_SUITE_P(Layouts, NoDataField, ::testing::Values("()", "(3X)", "(2(1X),4X)"));

}  // namespace
}  // namespace meridian
