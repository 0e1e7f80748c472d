// Free-form output records and free-form input.

#include <gtest/gtest.h>

#include <string>

#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"

namespace meridian {
namespace {

TEST(FreeOutput, Records) {
  struct Case {
    std::vector<FreeValue> values;
    const char* expected;
  } cases[] = {
      {{}, " "},
      {{std::int64_t{7}}, "           7"},
      {{std::int64_t{57}}, "          57"},
      {{std::string_view("DONE")}, " DONE"},
      {{std::string_view("line="), std::int64_t{42}}, " line=          42"},
      {{std::string_view("Please waiting ... ")}, " Please waiting ... "},
      {{std::int64_t{3}, std::string_view("x")}, "           3x"},
  };
  for (const Case& c : cases) EXPECT_EQ(render_free(c.values), c.expected);
}

struct Values {
  std::int32_t a = -1, b = -1, c = -1;
  double x = -1, y = -1, z = -1;
};

TEST(FreeInput, SeparatorsRepeatsNullsAndSlash) {
  struct Case {
    const char* text;
    std::int32_t a, b, c;
  } cases[] = {
      {"1 2 3\n", 1, 2, 3},
      {"1,2,3\n", 1, 2, 3},
      {"1 , 2 ,3 extra words\n", 1, 2, 3},
      {"1\n\n2\n3\n", 1, 2, 3},        // blank records are passed over
      {"3*4\n", 4, 4, 4},
      {"2*,9\n", -1, -1, 9},           // r* skips targets
      {"1,,3\n", 1, -1, 3},            // null value between commas
      {"5 /\n7 8\n", 5, -1, -1},       // slash ends the read
      {"-2 +3 0\n", -2, 3, 0},
  };
  for (const Case& c : cases) {
    InputFile in = InputFile::from_text("parameter_in.txt", c.text);
    Values v;
    const FieldTarget targets[] = {&v.a, &v.b, &v.c};
    ASSERT_EQ(read_free(in, targets), ReadStatus::ok) << c.text;
    EXPECT_EQ(v.a, c.a) << c.text;
    EXPECT_EQ(v.b, c.b) << c.text;
    EXPECT_EQ(v.c, c.c) << c.text;
  }
}

TEST(FreeInput, RealForms) {
  struct Case {
    const char* text;
    double x, y, z;
  } cases[] = {
      {"3*0.5\n", 0.5, 0.5, 0.5},
      {"1 2.5 -3.\n", 1.0, 2.5, -3.0},
      {"1e2 1.5D-1 .25\n", 100.0, 0.15, 0.25},
      {"0.1 0.2 0.30000000000000004\n", 0.1, 0.2, 0.30000000000000004},
  };
  for (const Case& c : cases) {
    InputFile in = InputFile::from_text("parameter_in.txt", c.text);
    Values v;
    const FieldTarget targets[] = {&v.x, &v.y, &v.z};
    ASSERT_EQ(read_free(in, targets), ReadStatus::ok) << c.text;
    EXPECT_EQ(v.x, c.x);
    EXPECT_EQ(v.y, c.y);
    EXPECT_EQ(v.z, c.z);
  }
}

TEST(FreeInput, EachReadStartsAtANewRecord) {
  InputFile in = InputFile::from_text("f", "1 2 3\n4 5\n");
  std::int32_t a = 0;
  const FieldTarget one[] = {&a};
  ASSERT_EQ(read_free(in, one), ReadStatus::ok);
  EXPECT_EQ(a, 1);
  ASSERT_EQ(read_free(in, one), ReadStatus::ok);
  EXPECT_EQ(a, 4);
  EXPECT_EQ(read_free(in, one), ReadStatus::end_of_file);
}

TEST(FreeInput, TextsQuotedAndUnquoted) {
  InputFile in = InputFile::from_text(
      "f", "* blocks of the model\n'quoted, text' next\n*****Nodal_points more\n7 word\n12\n");
  std::string text;
  const FieldTarget one_char[] = {TextTarget{&text, 1}};
  const FieldTarget word[] = {TextTarget{&text, 10}};
  ASSERT_EQ(read_free(in, one_char), ReadStatus::ok);
  EXPECT_EQ(text, "*");
  ASSERT_EQ(read_free(in, word), ReadStatus::ok);
  EXPECT_EQ(text, "quoted, te");
  ASSERT_EQ(read_free(in, word), ReadStatus::ok);
  EXPECT_EQ(text, "*****Nodal");
  ASSERT_EQ(read_free(in, one_char), ReadStatus::ok);
  EXPECT_EQ(text, "7");
  ASSERT_EQ(read_free(in, word), ReadStatus::ok);
  EXPECT_EQ(text, "12        ");
}

TEST(FreeInput, TwoWordsAcrossRecords) {
  // A record of one word, then one whose first word completes the read.
  InputFile in = InputFile::from_text("nikein.txt", "*\nInterfaces and more\ncontrol\n");
  std::string first, second;
  const FieldTarget targets[] = {TextTarget{&first, 1}, TextTarget{&second, 10}};
  ASSERT_EQ(read_free(in, targets), ReadStatus::ok);
  EXPECT_EQ(second, "Interfaces");
  EXPECT_EQ(in.line_number(), 2);
}

TEST(FreeInput, BadValuesAndEndOfFile) {
  {
    InputFile in = InputFile::from_text("console", "abc\n");
    double x = 0;
    const FieldTarget targets[] = {&x};
    try {
      read_free(in, targets);
      FAIL() << "no error";
    } catch (const FatalError& error) {
      EXPECT_STREQ(error.what(), "console, line 1: cannot read a real from \"abc\"");
    }
  }
  {
    InputFile in = InputFile::from_text("f", "1.5\n");
    std::int32_t a = 0;
    const FieldTarget targets[] = {&a};
    EXPECT_THROW(read_free(in, targets), FatalError);
  }
  {
    InputFile in = InputFile::from_text("parameter_in.txt", "1 2\n");
    std::int32_t a = 0, b = 0, c = 0;
    const FieldTarget targets[] = {&a, &b, &c};
    EXPECT_EQ(read_free(in, targets), ReadStatus::end_of_file);
    InputFile again = InputFile::from_text("parameter_in.txt", "");
    try {
      require_free(again, targets, "the block count");
      FAIL() << "no error";
    } catch (const FatalError& error) {
      EXPECT_STREQ(error.what(), "parameter_in.txt, line 1: end of file while reading the block count");
    }
  }
}

}  // namespace
}  // namespace meridian
