#include "netcdf/big_endian.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "netcdf/hex_bytes.hpp"
#include "support/case_names.hpp"

namespace meridian::netcdf {
namespace {

using meridian::testing::hex_bytes;
using meridian::testing::PrintTo;

struct ValueCase {
  const char* name;
  void (*append)(std::string&, double);
  double value;
  const char* bytes;
};

void int32(std::string& out, double v) {
  append_int32(out, static_cast<std::int32_t>(v));
}
void int64(std::string& out, double v) {
  append_int64(out, static_cast<std::int64_t>(v));
}

// Bit patterns of IEEE 754 binary32 and binary64: 0.1 is 0x3DCCCCCD as a
// float (rounded up: its binary expansion continues 1100 1100...), 1/3 is
// 0x3EAAAAAB (rounded up from ...1010 1010 1...).
// clang-format off
const ValueCase value_cases[] = {
    {"int32_one",           int32,  1.0,           "00000001"},
    {"int32_minus_two",     int32,  -2.0,          "fffffffe"},
    {"int32_largest",       int32,  2147483647.0,  "7fffffff"},
    {"int32_bytes_in_order", int32, 0x01020304,    "01020304"},
    {"int64_begin",         int64,  4328719365.0, "0000000102030405"},
    {"float_one",           append_float, 1.0,     "3f800000"},
    {"float_minus_half",    append_float, -0.5,    "bf000000"},
    {"float_tenth_rounds_up", append_float, 0.1,   "3dcccccd"},
    {"float_third_rounds_up", append_float, 1.0 / 3, "3eaaaaab"},
    {"float_negative_zero", append_float, -0.0,    "80000000"},
    {"float_beyond_range",  append_float, 1e40,    "7f800000"},
    {"float_below_range",   append_float, 1e-50,   "00000000"},
    {"float_fill_value",    append_float, 9.9692099683868690e+36, "7cf00000"},
    {"double_one",          append_double, 1.0,    "3ff0000000000000"},
    {"double_tenth",        append_double, 0.1,    "3fb999999999999a"},
    {"double_minus_two",    append_double, -2.0,   "c000000000000000"},
    {"double_fill_value",   append_double, 9.9692099683868690e+36, "479e000000000000"},
    {"double_infinity",     append_double, std::numeric_limits<double>::infinity(),
                                                   "7ff0000000000000"},
};
// clang-format on

class ValueBytesTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueBytesTest, AreBigEndian) {
  std::string out = "x";  // appended after what is there
  GetParam().append(out, GetParam().value);
  std::string expected = "x";  // (appended: MinGW's GCC 12 warns falsely on "x" + ...)
  expected += hex_bytes(GetParam().bytes);
  EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ValueBytesTest, ::testing::ValuesIn(value_cases),
                         testing::CaseName());

TEST(BigEndianTest, PutsReturnThePositionAfterTheValue) {
  char buffer[14] = {};
  char* at = put_int16(buffer, -32767);
  at = put_int32(at, -2147483647);
  at = put_double(at, 9.9692099683868690e+36);
  EXPECT_EQ(at, buffer + 14);
  EXPECT_EQ(std::string(buffer, 14), hex_bytes("8001 80000001 479e000000000000"));
}

// Every length up to a few dozen, so that a loop unrolled or vectorised in
// blocks is tried with every remainder.
TEST(BigEndianTest, ArraysMatchValueByValue) {
  for (std::size_t n = 0; n <= 37; ++n) {
    SCOPED_TRACE(n);
    std::vector<double> doubles;
    std::vector<std::int32_t> ints;
    for (std::size_t i = 0; i < n; ++i) {
      doubles.push_back(std::ldexp(1.0 + 0.1 * static_cast<double>(i), static_cast<int>(i) - 20) *
                        (i % 3 == 0 ? -1 : 1));
      ints.push_back(static_cast<std::int32_t>(i * 0x01010101u) - 7);
    }
    std::string floats_one_by_one, doubles_one_by_one, ints_one_by_one;
    for (const double d : doubles) {
      append_float(floats_one_by_one, d);
      append_double(doubles_one_by_one, d);
    }
    for (const std::int32_t i : ints) append_int32(ints_one_by_one, i);

    std::string buffer(8 * n + 1, '\x55');
    EXPECT_EQ(put_floats(buffer.data(), doubles), buffer.data() + 4 * n);
    EXPECT_EQ(buffer.substr(0, 4 * n), floats_one_by_one);
    EXPECT_EQ(buffer[4 * n], '\x55') << "wrote past the values";
    EXPECT_EQ(put_doubles(buffer.data(), doubles), buffer.data() + 8 * n);
    EXPECT_EQ(buffer.substr(0, 8 * n), doubles_one_by_one);
    EXPECT_EQ(buffer[8 * n], '\x55') << "wrote past the values";
    EXPECT_EQ(put_int32s(buffer.data(), ints), buffer.data() + 4 * n);
    EXPECT_EQ(buffer.substr(0, 4 * n), ints_one_by_one);
  }
}

}  // namespace
}  // namespace meridian::netcdf
