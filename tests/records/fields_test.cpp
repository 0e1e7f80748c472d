// Exact field texts for every field kind, and the Fortran runtime as an
// independent oracle for real rendering.

#include <gtest/gtest.h>


#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fields.hpp"

namespace meridian {
namespace {

std::string integer_field(int width, std::int64_t value) {
  std::string out(static_cast<std::size_t>(width), '?');
  render_integer(out.data(), width, value);
  return out;
}
std::string exponent_field(int width, int digits, double value) {
  std::string out(static_cast<std::size_t>(width), '?');
  render_exponent(out.data(), width, digits, value);
  return out;
}
std::string fixed_field(int width, int digits, double value) {
  std::string out(static_cast<std::size_t>(width), '?');
  render_fixed(out.data(), width, digits, value);
  return out;
}
std::string text_field(int width, std::string_view text) {
  std::string out(static_cast<std::size_t>(width), '?');
  render_text(out.data(), width, text);
  return out;
}

TEST(RenderInteger, Table) {
  struct Case {
    int width;
    std::int64_t value;
    const char* expected;
  } cases[] = {
      {5, 0, "    0"},       {5, 42, "   42"},     {5, -42, "  -42"},    {5, 12345, "12345"},
      {5, 123456, "*****"},  {5, -1234, "-1234"},  {5, -12345, "*****"}, {1, 7, "7"},
      {1, 10, "*"},          {8, 2147483647, "********"}, {12, 57, "          57"},
      {12, -2147483648LL, " -2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(integer_field(c.width, c.value), c.expected) << c.value;
  }
}

TEST(RenderExponent, Table) {
  struct Case {
    int width, digits;
    double value;
    const char* expected;
  } cases[] = {
      {20, 13, 1.0, " 0.1000000000000E+01"},
      {20, 13, -2.5, "-0.2500000000000E+01"},
      {20, 13, 0.0, " 0.0000000000000E+00"},
      {20, 13, -0.0, " 0.0000000000000E+00"},  // negative zero is written unsigned
      {20, 13, 1.0e-120, " 0.1000000000000-119"},
      {20, 13, 1.0e120, " 0.1000000000000+121"},
      {20, 13, 0.30000000000000004, " 0.3000000000000E+00"},
      {20, 13, 9.99999999999995, " 0.1000000000000E+02"},
      {10, 3, 0.001234, " 0.123E-02"},
      {10, 4, 12.5, "0.1250E+02"},
      {10, 4, -12.5, "-.1250E+02"},  // one column left: the sign takes it
      {9, 4, -12.5, "*********"},
      {10, 2, 0.125, "  0.12E+00"},  // ties to even
      {10, 2, 0.375, "  0.38E+00"},
      {11, 3, 123456.0, "  0.123E+06"},
      {17, 5, -1.0e-300, "-0.10000-299"},
      {20, 8, 5e-324, " 0.49406565-323"},
      {14, 5, 1.0e99, "   0.10000+100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string expected = c.expected;
    // Right-justify shorter expectations (the -0.10000-299 case).
    expected.insert(0, static_cast<std::size_t>(c.width) - expected.size(), ' ');
    EXPECT_EQ(exponent_field(c.width, c.digits, c.value), expected);
  }
}

TEST(RenderExponent, NonFinite) {
  EXPECT_EQ(exponent_field(20, 13, std::numeric_limits<double>::infinity()), "            Infinity");
  EXPECT_EQ(exponent_field(20, 13, -std::numeric_limits<double>::infinity()), "           -Infinity");
  EXPECT_EQ(exponent_field(20, 13, std::nan("")), "                 NaN");
}

TEST(RenderFixed, Table) {
  struct Case {
    int width, digits;
    double value;
    const char* expected;
  } cases[] = {
      {5, 0, 3.0, "   3."},       {5, 0, 7.0, "   7."},         {10, 3, -1.5, "    -1.500"},
      {10, 3, 0.25, "     0.250"}, {4, 3, 0.25, ".250"},          {5, 3, -0.25, "-.250"},
      {4, 3, -0.25, "****"},       {10, 3, 2.5, "     2.500"},    {5, 2, 0.125, " 0.12"},
      {5, 0, 2.5, "   2."},        {5, 0, 3.5, "   4."},          {10, 3, -0.0001, "     0.000"},
      {5, 1, 123456.0, "*****"},   {10, 3, 1234567.0, "**********"}, {10, 4, 1e300, "**********"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string expected = c.expected;
    expected.insert(0, static_cast<std::size_t>(c.width) - expected.size(), ' ');
    EXPECT_EQ(fixed_field(c.width, c.digits, c.value), expected);
  }
}

TEST(RenderText, ShorterLongerAndTrailingBlanks) {
  EXPECT_EQ(text_field(8, "N=123"), "   N=123");
  EXPECT_EQ(text_field(3, "N=123"), "N=1");
  EXPECT_EQ(text_field(5, "N=123"), "N=123");
  EXPECT_EQ(text_field(6, "ab   "), " ab   ");  // declared length counts
}

TEST(ParseInteger, Table) {
  struct Case {
    const char* field;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {"    0", true, 0},      {"   42", true, 42},     {"  -42", true, -42}, {"     ", true, 0},
      {"", true, 0},         {" 1 2 ", true, 12},     {"+7", true, 7},      {"  12a45", false, 0},
      {"1.0", false, 0},     {"-", false, 0},          {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},          {"2147483648", false, 0},
      {"99999999999", false, 0}, {"1-2", false, 0},
  };
  for (const Case& c : cases) {
    std::int32_t value = -99;
    EXPECT_EQ(parse_integer(c.field, value), c.ok) << '"' << c.field << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.field;
    }
  }
}

TEST(ParseReal, Table) {
  struct Case {
    const char* field;
    int digits;
    bool ok;
    double value;
  } cases[] = {
      {"   12", 1, true, 1.2},           {"  12.", 1, true, 12.0},
      {"    7", 1, true, 0.7},           {"   7.", 1, true, 7.0},
      {"     ", 4, true, 0.0},           {"", 3, true, 0.0},
      {"  0.1000E+01", 4, true, 1.0},    {" -0.45807E-03", 5, true, -0.45807e-3},
      {"1.5-3", 0, true, 1.5e-3},        {"1.5+3", 0, true, 1.5e3},
      {"1.5D-3", 0, true, 1.5e-3},       {"1.5d2", 0, true, 150.0},
      {"0.1000000000000-119", 13, true, 1e-120},
      {" 1 . 5 E 1", 0, true, 15.0},     {"12E1", 1, true, 12.0},
      {".5", 0, true, 0.5},              {"-.5", 0, true, -0.5},
      {"abc", 0, false, 0},              {"1.2.3", 0, false, 0},
      {"1E", 0, false, 0},               {"--1", 0, false, 0},
      {"0.30000000000000004", 0, true, 0.30000000000000004},
      {"123456789012345678901234567890", 0, true, 1.2345678901234568e29},
      {"1e400", 0, true, std::numeric_limits<double>::infinity()},
      {"1e-400", 0, true, 0.0},
      {"2.2250738585072011e-308", 0, true, 2.2250738585072011e-308},
  };
  for (const Case& c : cases) {
    double value = -99;
    EXPECT_EQ(parse_real(c.field, c.digits, value), c.ok) << '"' << c.field << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.field;
    }
  }
}

// Every rendered value reads back exactly when enough digits are written, and
// the parser agrees with strtod on random decimal texts.
TEST(ParseReal, AgreesWithStrtodOnRandomTexts) {
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<int> digit_count(1, 19);
  std::uniform_int_distribution<int> exponent(-30, 30);
  std::uniform_int_distribution<int> digit(0, 9);
  for (int i = 0; i < 20000; ++i) {
    std::string text = (i % 2) ? "-" : "";
    const int count = digit_count(random);
    const int point = std::uniform_int_distribution<int>(0, count)(random);
    for (int d = 0; d < count; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + digit(random));
    }
    text += 'E' + std::to_string(exponent(random));
    double ours = 0;
    ASSERT_TRUE(parse_real(text, 0, ours)) << text;
    EXPECT_EQ(ours, std::strtod(text.c_str(), nullptr)) << text;
  }
}

// The digits and exponent an Ew.d field shows, against to_chars's correctly
// rounded scientific form of the same value: every digit count the fast
// extended-precision path takes (and past it), values of any bit pattern,
// values just beside a rounding tie of d digits, exact ties, and the powers of
// ten where the exponent steps.
TEST(RenderExponent, DigitsMatchToCharsOnRandomValues) {
  std::mt19937_64 random(8128);
  const auto check = [](double value, int digits) {
    const int width = digits + 8;
    const std::string field = exponent_field(width, digits, value);
    char expected[96];
    const auto result = std::to_chars(expected, expected + sizeof expected, std::fabs(value),
                                      std::chars_format::scientific, digits - 1);
    std::string mantissa(1, expected[0]);
    if (digits > 1) mantissa.append(expected + 2, static_cast<std::size_t>(digits - 1));
    const std::string scientific(expected, result.ptr);
    const int exponent = std::atoi(scientific.c_str() + scientific.find('e') + 1) + 1;
    const std::size_t point = field.find('.');
    ASSERT_NE(point, std::string::npos) << field;
    EXPECT_EQ(field.substr(point + 1, static_cast<std::size_t>(digits)), mantissa)
        << value << " with " << digits << " digits: " << field;
    const std::string tail = field.substr(point + 1 + static_cast<std::size_t>(digits));
    const int shown = std::atoi(tail.c_str() + (tail[0] == 'E' ? 1 : 0));
    EXPECT_EQ(shown, exponent) << value << " with " << digits << " digits: " << field;
  };
  // Mostly the digit counts of the files (8, 10, 13), where near-ties matter.
  std::uniform_int_distribution<int> digit_count(1, 17);
  const int file_digits[] = {8, 10, 13, 13, 15};
  std::uniform_int_distribution<int> decimal_exponent(-40, 40);
  std::uniform_real_distribution<double> unit(1.0, 10.0);
  for (int i = 0; i < 400000; ++i) {
    const int digits = i % 3 ? file_digits[random() % 5] : digit_count(random);
    double value = 0.0;
    switch (i % 4) {
      case 0:  // any bit pattern of a finite, nonzero double
        do {
          value = std::bit_cast<double>(random());
        } while (!std::isfinite(value) || value == 0.0 || std::fabs(value) > 1e99);
        break;
      case 1:  // a magnitude such as listings hold
        value = unit(random) * std::pow(10.0, decimal_exponent(random));
        break;
      case 2: {  // the double nearest a decimal tie of d digits (N + 0.5) * 10^e, or a neighbour
        const double tie = std::round(unit(random) * std::pow(10.0, digits - 1)) + 0.5;
        const int e = decimal_exponent(random) % 25;
        value = e >= 0 ? tie * std::pow(10.0, e) : tie / std::pow(10.0, -e);
        const int step = static_cast<int>(random() % 3) - 1;
        if (step != 0) value = std::nextafter(value, step * 1e300);
        break;
      }
      default:  // exact binary ties and powers of ten
        value = (i % 8 == 3) ? std::ldexp(std::round(unit(random) * 1024) + 0.5, -11)
                             : std::pow(10.0, decimal_exponent(random));
    }
    if (i % 2) value = -value;
    check(value, digits);
  }
}

std::vector<double> oracle_values() {
  std::mt19937_64 random(2026);
  std::vector<double> values = {1.0, -2.5, 0.5, 0.125, 0.375, 2.5, 3.5, 1e-120, 1e120, 123456.789,
                                0.30000000000000004, 9.9999999999999, 99999.9995, 0.0995, -0.05};
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  for (int i = 0; i < 3000; ++i) {
    const double mantissa = unit(random);
    switch (i % 4) {
      case 0:
        values.push_back(mantissa * std::pow(10.0, exponent(random)));
        break;
      case 1:  // short decimals, as the listing prints them
        values.push_back(std::round(mantissa * 1e5) / 1e3);
        break;
      case 2:  // ties of few digits
        values.push_back(std::ldexp(std::round(mantissa * 64), -3));
        break;
      default:  // any bit pattern of a finite double
        for (;;) {
          const double any = std::bit_cast<double>(random());
          if (std::isfinite(any)) {
            values.push_back(any);
            break;
          }
        }
    }
  }
  return values;
}

TEST(RenderOracle, MatchesFortranRuntime) {
  if (std::system("command -v gfortran >/dev/null 2>&1") != 0) GTEST_SKIP() << "gfortran absent";
  const auto dir = std::filesystem::temp_directory_path() /
                   ("meridian_oracle_" + std::to_string(platform::process_id()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream source(dir / "oracle.f90");
    source << "program oracle\n"
              "  implicit none\n"
              "  integer(8) :: bits\n"
              "  real(8) :: x\n"
              "  integer :: ios\n"
              "  open(10, file='values.txt', status='old')\n"
              "  open(11, file='out.txt', status='replace')\n"
              "  do\n"
              "    read(10, *, iostat=ios) bits\n"
              "    if (ios /= 0) exit\n"
              "    x = transfer(bits, x)\n"
              "    write(11, '(E20.13,\"|\",E20.10,\"|\",E20.8,\"|\",E10.3,\"|\",E17.5,\"|\",F10.3,\"|\",F5.0)') &\n"
              "      x, x, x, x, x, x, x\n"
              "  end do\n"
              "end program oracle\n";
  }
  const std::vector<double> values = oracle_values();
  {
    std::ofstream list(dir / "values.txt");
    for (const double v : values) list << std::bit_cast<std::int64_t>(v) << '\n';
  }
  const std::string command = "cd '" + dir.string() +
                              "' && gfortran -ffree-line-length-none oracle.f90 -o oracle && ./oracle";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream out(dir / "out.txt");
  std::string line;
  std::size_t row = 0;
  int compared = 0;
  while (std::getline(out, line)) {
    ASSERT_LT(row, values.size());
    const double v = values[row++];
    // Negative zero: the runtime writes it signed, this program unsigned.
    if (v == 0.0 && std::signbit(v)) continue;
    std::string ours = exponent_field(20, 13, v) + "|" + exponent_field(20, 10, v) + "|" +
                       exponent_field(20, 8, v) + "|" + exponent_field(10, 3, v) + "|" +
                       exponent_field(17, 5, v) + "|";
    std::string theirs = line.substr(0, ours.size());
    EXPECT_EQ(ours, theirs) << v;
    // Fixed fields: the runtime keeps the sign of a negative value that rounds to
    // zero; this program writes such a value unsigned, so those are not compared.
    const std::string fixed10 = fixed_field(10, 3, v);
    const std::string fixed5 = fixed_field(5, 0, v);
    const std::string their_fixed = line.substr(ours.size());
    if (v < 0 && v > -0.0005) {
      EXPECT_EQ(their_fixed.substr(0, 10), "    -0.000") << v;
      EXPECT_EQ(fixed10, "     0.000") << v;
    } else if (v < 0 && v >= -0.5) {
      EXPECT_EQ(fixed10, their_fixed.substr(0, 10)) << v;
    } else {
      EXPECT_EQ(fixed10 + "|" + fixed5, their_fixed) << v;
    }
    ++compared;
  }
  EXPECT_EQ(row, values.size());
  EXPECT_GT(compared, 3000);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace meridian
