// Layouts: parsing, record reuse, early end, and reading with layouts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "records/fatal.hpp"
#include "records/layout.hpp"

namespace meridian {
namespace {

std::vector<std::string> render(std::string_view layout, std::vector<FieldValue> values) {
  return render_records(Layout(layout), values);
}

TEST(Layout, FlattensGroupsAndFindsTheReusePoint) {
  const Layout layout("(E20.13,2(1X,E20.13),3(1X,I1),3(1X,I1),4(1X,E20.13))");
  EXPECT_EQ(layout.fields().size(), 1u + 4 + 6 + 6 + 8);
  EXPECT_EQ(layout.reuse_index(), 1u + 4 + 6 + 6);
  EXPECT_EQ(layout.record_width(), 20 + 2 * 21 + 6 * 2 + 4 * 21);
  // Lower case, blanks, tabs and a missing comma after a bracket carry no meaning.
  const Layout assembled("(e20.13,2(1x,e20.13),3(1x,i1),3(1x,i1)4  \t\t(1x,e20.13))");
  ASSERT_EQ(assembled.fields().size(), layout.fields().size());
  for (std::size_t i = 0; i < layout.fields().size(); ++i) {
    EXPECT_EQ(assembled.fields()[i].kind, layout.fields()[i].kind);
    EXPECT_EQ(assembled.fields()[i].width, layout.fields()[i].width);
    EXPECT_EQ(assembled.fields()[i].digits, layout.fields()[i].digits);
  }
  EXPECT_EQ(Layout("(I5,2I8)").reuse_index(), 0u);
}

TEST(Layout, RejectsMalformedTexts) {
  for (const char* text : {"I5", "(I5", "(Q5)", "(E20)", "(I5))", "()x"}) {
    EXPECT_THROW(Layout{text}, std::invalid_argument) << text;
  }
}

TEST(Layout, RecordReuseAndEarlyEnd) {
  struct Case {
    const char* layout;
    std::vector<FieldValue> values;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      // Twelve integers with (8(I8)): a record of eight and one of four.
      {"(8(I8))",
       {std::int64_t{1}, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       {"       1       2       3       4       5       6       7       8",
        "       9      10      11      12"}},
      // Eleven values with (E20.13, 8(1X, E20.13)): 188 and 42 columns.
      {"(E20.13,8(1X,E20.13))",
       {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, -10.0, 11.0},
       {" 0.1000000000000E+01  0.2000000000000E+01  0.3000000000000E+01  0.4000000000000E+01 "
        " 0.5000000000000E+01  0.6000000000000E+01  0.7000000000000E+01  0.8000000000000E+01 "
        " 0.9000000000000E+01",
        " -0.1000000000000E+02  0.1100000000000E+02"}},
      // Values run out mid-layout: no trailing fields, no trailing blanks.
      {"(I5,1X,I5,3X)", {std::int64_t{7}}, {"    7"}},
      {"(A2,I5,A3,I5,A19)",
       {std::string_view("N="), std::int64_t{125}, std::string_view(",E="), std::int64_t{64},
        std::string_view(",F=FEPOINT,ET=BRICK")},
       {"N=  125,E=   64,F=FEPOINT,ET=BRICK"}},
      {"(A11,I1,A1)",
       {std::string_view("ZONE T=\"nn."), std::int64_t{10}, std::string_view("\"")},
       {"ZONE T=\"nn.*\""}},
      // No group: reuse restarts at the start.
      {"(I3,F5.1)", {std::int64_t{1}, 2.5, std::int64_t{3}}, {"  1  2.5", "  3"}},
      {"(A10,I2,A1,I2)",
       {std::string_view("interface,"), std::int64_t{1}, std::string_view(","), std::int64_t{2}},
       {"interface, 1, 2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(render(c.layout, c.values), c.expected) << c.layout;
  }
}

TEST(Layout, SixteenIntegersGiveTwoRecordsOf64Columns) {
  std::vector<FieldValue> values;
  for (int i = 1; i <= 16; ++i) values.emplace_back(std::int64_t{i});
  const auto records = render("(8(I8))", values);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].size(), 64u);
  EXPECT_EQ(records[1].size(), 64u);
}

TEST(Layout, WriteRecordEndsEveryRecordWithCrLf) {
  OutputFile out = OutputFile::in_memory("memory");
  write_record(out, Layout("(2I3)"), {std::int64_t{1}, std::int64_t{2}, std::int64_t{3}});
  out.flush();
  EXPECT_EQ(out.contents(), "  1  2\r\n  3\r\n");
}

TEST(Layout, ReadsFieldsAcrossRecords) {
  InputFile in = InputFile::from_text("deck", "       1       2       3\r\n       4       5\nrest\n");
  std::int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
  const FieldTarget targets[] = {&a, &b, &c, &d, &e};
  // (3(I8)): three values from the first record, the rest from the next.
  ASSERT_TRUE(read_record(in, Layout("(3(I8))"), targets));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(d, 4);
  EXPECT_EQ(e, 5);
  EXPECT_EQ(in.line_number(), 2);
  std::string text(4, '?');
  const FieldTarget word[] = {TextTarget{&text, 6}};
  ASSERT_TRUE(read_record(in, Layout("(A3)"), word));
  EXPECT_EQ(text, "res   ");  // field fills the start, the rest is blanks
  EXPECT_FALSE(read_record(in, Layout("(A3)"), word));
}

TEST(Layout, ShortTextTargetTakesTheFieldsLastCharacters) {
  InputFile in = InputFile::from_text("deck", "abcdef\n\n");
  std::string text;
  const FieldTarget target[] = {TextTarget{&text, 2}};
  ASSERT_TRUE(read_record(in, Layout("(A5)"), target));
  EXPECT_EQ(text, "de");
  // An empty line read as A17 gives 17 blanks.
  const FieldTarget wide[] = {TextTarget{&text, 17}};
  ASSERT_TRUE(read_record(in, Layout("(A17)"), wide));
  EXPECT_EQ(text, std::string(17, ' '));
}

TEST(Layout, ImpliedPointAndSkips) {
  InputFile in = InputFile::from_text("deck", "   12  12.    7\n");
  double a = 0, b = 0, c = 0;
  const FieldTarget targets[] = {&a, &b, &c};
  ASSERT_TRUE(read_record(in, Layout("(F5.1,F5.1,F5.1)"), targets));
  EXPECT_EQ(a, 1.2);
  EXPECT_EQ(b, 12.0);
  EXPECT_EQ(c, 0.7);
}

TEST(Layout, ConversionErrorNamesFileLineColumnsAndText) {
  InputFile in = InputFile::from_text("n3dhsp", "first\n" + std::string(60, ' ') + "  12a45\n");
  std::string label;
  std::int32_t count = 0;
  const FieldTarget targets[] = {TextTarget{&label, 60}, &count};
  const Layout layout("(A60,I5)");
  ASSERT_TRUE(read_record(in, layout, targets));
  try {
    read_record(in, layout, targets);
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(), "n3dhsp, line 2: cannot read an integer from \"  12a\" (columns 61-65)");
  }
}

TEST(Layout, EndOfFileInAContinuedRecordIsFatal) {
  InputFile in = InputFile::from_text("deck", "       1\n");
  std::int32_t a = 0, b = 0;
  const FieldTarget targets[] = {&a, &b};
  EXPECT_THROW(read_record(in, Layout("(I8)"), targets), FatalError);
  InputFile empty = InputFile::from_text("deck", "");
  try {
    require_record(empty, Layout("(I8)"), targets, "the control record");
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(), "deck, line 1: end of file while reading the control record");
  }
}

}  // namespace
}  // namespace meridian
