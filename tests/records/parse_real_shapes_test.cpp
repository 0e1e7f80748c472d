// The quick readers of real fields (the solver's own Ew.d shape, and plain
// digits with an exponent) against std::from_chars on the same text: every
// field reads as the correctly rounded double, bit for bit, whichever reader
// takes it.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "records/fields.hpp"

namespace meridian {
namespace {

// The value of the field's text without its blanks, by from_chars.
double reference_value(std::string_view field) {
  std::string text;
  for (char c : field) {
    if (c == ' ' || (c == '+' && text.empty())) continue;  // from_chars takes no leading +
    text += c == 'D' ? 'E' : c;
  }
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_EQ(result.ptr, text.data() + text.size()) << "reference cannot read \"" << text << '"';
  return value;
}

std::uint64_t bits(double value) {
  std::uint64_t b = 0;
  std::memcpy(&b, &value, sizeof b);
  return b;
}

struct ShapeCase {
  const char* field;
  int digits;
};

void PrintTo(const ShapeCase& c, std::ostream* out) {
  *out << '"' << c.field << "\" with " << c.digits << " digits";
}

class RealShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(RealShapes, ReadsTheCorrectlyRoundedValue) {
  const ShapeCase& c = GetParam();
  double value = 12345.0;
  ASSERT_TRUE(parse_real(c.field, c.digits, value)) << c.field;
  EXPECT_EQ(bits(value), bits(reference_value(c.field))) << c.field;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RealShapes,
    ::testing::Values(ShapeCase{" -0.123E+03", 3}, ShapeCase{"  0.999E-22", 3},
                      ShapeCase{"  0.100E-19", 3}, ShapeCase{"  0.100E+23", 3},
                      ShapeCase{"  0.999E+99", 3}, ShapeCase{"  0.101E-99", 3},
                      ShapeCase{" -0.000E+00", 3}, ShapeCase{"   .500E+01", 3},
                      ShapeCase{"-.500E+01", 3}, ShapeCase{"+0.250E+00", 3},
                      ShapeCase{"  -0.12345E-02", 5}, ShapeCase{"  0.1234567890123E+05", 13},
                      ShapeCase{"-0.9007199254740993E+16", 16},
                      ShapeCase{"  0.123E+03", 5},  // other digits than the layout's
                      ShapeCase{"1.5E2", 3}, ShapeCase{"   12.75", 2},
                      ShapeCase{"0.30000000000000004", 2}, ShapeCase{"-7.0D-01", 3},
                      ShapeCase{"123456789012345678.0", 0},
                      ShapeCase{"0.12345678901234567890123E+01", 3}));

TEST(RealShapes, NoPointScalesByTheDigits) {
  double value = 0.0;
  ASSERT_TRUE(parse_real("  1234", 2, value));
  EXPECT_EQ(value, 12.34);
  ASSERT_TRUE(parse_real(" -5E+01", 3, value));
  EXPECT_EQ(value, -0.05);
}

TEST(RealShapes, NegativeZeroKeepsItsSign) {
  double value = 1.0;
  ASSERT_TRUE(parse_real(" -0.000E+00", 3, value));
  EXPECT_TRUE(std::signbit(value));
  EXPECT_EQ(value, 0.0);
}

TEST(RealShapes, MalformedFieldsStillFail) {
  for (const char* field : {"  0.123E+0x", " 0.12-3E+01", "0.123E+", " - 0.1x", "1.2.3", "E+05",
                            " 0.123E+03x"}) {
    double value = 0.0;
    EXPECT_FALSE(parse_real(field, 3, value)) << field;
  }
}

// Rendered fields of random doubles read back as from_chars reads their text.
TEST(RealShapes, RenderedFieldsReadBackCorrectlyRounded) {
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<int> decade(-30, 30);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const ShapeCase layouts[] = {{"", 3}, {"", 5}, {"", 13}};
  const int widths[] = {11, 13, 20};
  for (int trial = 0; trial < 30000; ++trial) {
    const double value = unit(random) * std::pow(10.0, decade(random));
    for (int k = 0; k < 3; ++k) {
      char field[24];
      render_exponent(field, widths[k], layouts[k].digits, value);
      const std::string_view text(field, static_cast<std::size_t>(widths[k]));
      double read = 0.0;
      ASSERT_TRUE(parse_real(text, layouts[k].digits, read)) << text;
      ASSERT_EQ(bits(read), bits(reference_value(text))) << text;
      // The quick reader of written runs takes the field unless its exponent
      // is beyond the exact powers, and reads the same bits.
      double quick = 0.0;
      const int exponent = std::stoi(std::string(text.substr(text.size() - 3))) - layouts[k].digits;
      ASSERT_EQ(parse_written_exponents(text, 1, widths[k], layouts[k].digits, &quick),
                exponent >= -22 && exponent <= 22) << text;
      if (exponent >= -22 && exponent <= 22) {
        ASSERT_EQ(bits(quick), bits(read)) << text;
      }
    }
  }
}

// The reader of a run of fields exactly as the solver writes them: it takes
// the written shape, with the bits parse_real gives, and leaves every other
// shape (and any run that holds one) to the field reader.
struct RunCase {
  const char* field;
  int width;
  int digits;
  bool taken;
};

TEST(WrittenExponentRuns, TakeTheWrittenShapeOnly) {
  const RunCase cases[] = {
      {" -0.123E+03", 11, 3, true},         {"  0.999E-19", 11, 3, true},
      {"  0.999E-20", 11, 3, false},        // 10^-23: beyond the exact powers
      {"  0.100E+25", 11, 3, true},         {"  0.100E+26", 11, 3, false},
      {" -0.000E+00", 11, 3, true},         {" +0.250E+00", 11, 3, true},
      {"   .500E+01", 11, 3, false},        {"  -.500E+01", 11, 3, false},
      {" -0.500D+01", 11, 3, false},        {" -0.5 0E+01", 11, 3, false},
      {" -0,500E+01", 11, 3, false},        {" -0.500E*01", 11, 3, false},
      {"x -0.500E+01", 12, 3, false},       {"  0.500E+1 ", 11, 3, false},
      {"  -0.12345E-02", 14, 5, true},      {" -0.12345E-02", 13, 5, true},
      {"   0.12345E+07", 14, 5, true},      {"  0.1234567890123E+05", 21, 13, true},
      {"-0.123E+03", 10, 3, true},          {"0.123E+03", 9, 3, false},  // no place for a sign
  };
  for (const RunCase& c : cases) {
    // The field behind one as written, in a run of two.
    std::string run(static_cast<std::size_t>(c.width), ' ');
    render_exponent(run.data(), c.width, c.digits, -1.0);
    run += c.field;
    ASSERT_EQ(run.size(), static_cast<std::size_t>(2 * c.width)) << c.field;
    double values[2] = {}, expected = 0.0;
    EXPECT_EQ(parse_written_exponents(run, 2, c.width, c.digits, values), c.taken) << run;
    if (!c.taken) continue;
    ASSERT_TRUE(parse_real(c.field, c.digits, expected)) << c.field;
    EXPECT_EQ(bits(values[1]), bits(expected)) << run;
    EXPECT_EQ(values[0], -1.0) << run;
  }
  double value = 0.0;
  EXPECT_FALSE(parse_written_exponents(" -0.123E+03", 2, 11, 3, &value)) << "text too short";
}

}  // namespace
}  // namespace meridian
