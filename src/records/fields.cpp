#include "records/fields.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace meridian {
namespace {

void fill_asterisks(char* out, int width) { std::memset(out, '*', static_cast<std::size_t>(width)); }

// Writes `text` right-justified in the field.
void right_justify(char* out, int width, const char* text, int length) {
  const int pad = width - length;
  std::memset(out, ' ', static_cast<std::size_t>(pad));
  std::memcpy(out + pad, text, static_cast<std::size_t>(length));
}

// Non-finite values are written as the Fortran runtime writes them.
void render_non_finite(char* out, int width, double value) {
  const char* text = std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
  int length = static_cast<int>(std::strlen(text));
  if (length > width && !std::isnan(value)) {
    text = value < 0 ? "-Inf" : "Inf";
    length = static_cast<int>(std::strlen(text));
  }
  if (length > width) {
    fill_asterisks(out, width);
  } else {
    right_justify(out, width, text, length);
  }
}

// Exact powers of ten: every one up to 1e22 is representable as a double, so a
// product or quotient with an integer below 2^53 is correctly rounded.
constexpr std::array<double, 23> exact_powers = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// For a decimal exponent e in -22..22, at position e + 22: the factor 10^e when
// e >= 0 (else 1) and the divisor 10^-e when e < 0 (else 1). (m * factor) /
// divisor rounds only once, in whichever operation is not by 1, so it is the
// correctly rounded m * 10^e, with no branch on the sign of e.
constexpr std::array<double, 45> make_scale_table(bool factors) {
  std::array<double, 45> table{};
  for (int e = -22; e <= 22; ++e) {
    const bool used = factors ? e >= 0 : e < 0;
    table[static_cast<std::size_t>(e + 22)] = used ? exact_powers[static_cast<std::size_t>(e < 0 ? -e : e)] : 1.0;
  }
  return table;
}
constexpr std::array<double, 45> scale_factors = make_scale_table(true);
constexpr std::array<double, 45> scale_divisors = make_scale_table(false);

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// ---- Ew.d digits without to_chars
//
// The d significant digits of a positive double x, rounded from its exact
// binary value with ties to even, for d up to 15: with k chosen so that
// 10^(d-1) <= x * 10^k < 10^d, the digits are the integer nearest x * 10^k.
//
// For k from 0 to 22, x * 10^k = m * 10^k / 2^s with m the 53-bit significand:
// m * 10^k fits 128 bits, so the integer part and the remainder are exact.
//
// Otherwise, in the x87 extended format (64-bit significand) x and every
// 10^|k| up to 10^27 are exact, so y = x * 10^k (or x / 10^-k) is rounded once
// and lies within |y| * 2^-64 of the exact product. Unless y's fraction is
// within twice that bound of one half, the integer nearest y is the integer
// nearest the exact product. The rare values this cannot decide, and those
// outside the exact powers, go to to_chars, the reference for every digit.

constexpr bool extended_digits_available = std::numeric_limits<long double>::digits >= 64;
constexpr int max_fast_digits = 15;
constexpr int max_exact_power = 22;  // 10^22 * 2^53 < 2^127

constexpr std::array<long double, 28> make_extended_powers() {
  std::array<long double, 28> powers{};
  long double power = 1.0L;
  for (long double& p : powers) {
    p = power;
    power *= 10.0L;
  }
  return powers;
}
constexpr std::array<long double, 28> extended_powers = make_extended_powers();

using uint128 = unsigned __int128;

constexpr std::array<uint128, max_exact_power + 1> make_wide_powers() {
  std::array<uint128, max_exact_power + 1> powers{};
  uint128 power = 1;
  for (uint128& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}
constexpr std::array<uint128, max_exact_power + 1> wide_powers = make_wide_powers();

constexpr std::array<std::uint64_t, 17> make_integer_powers() {
  std::array<std::uint64_t, 17> powers{};
  std::uint64_t power = 1;
  for (std::uint64_t& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}
constexpr std::array<std::uint64_t, 17> integer_powers = make_integer_powers();

// The two-digit groups "00" to "99".
constexpr std::array<char, 200> make_digit_pairs() {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}
constexpr std::array<char, 200> digit_pairs = make_digit_pairs();

// Writes the `count` decimal digits of n (which has at most that many) at out,
// two at a time, in two independent halves (a shorter chain of divisions).
inline void write_digit_run(char* out, std::uint32_t n, int count) {
  char* p = out + count;
  while (count >= 2) {
    p -= 2;
    std::memcpy(p, &digit_pairs[static_cast<std::size_t>(n % 100) * 2], 2);
    n /= 100;
    count -= 2;
  }
  if (count == 1) p[-1] = static_cast<char>('0' + n);
}

inline void write_digits(char* out, std::uint64_t n, int count) {
  if (count <= 8) {
    write_digit_run(out, static_cast<std::uint32_t>(n), count);
    return;
  }
  // The last 8 digits, and the at most 8 before them.
  write_digit_run(out, static_cast<std::uint32_t>(n / 100000000), count - 8);
  write_digit_run(out + count - 8, static_cast<std::uint32_t>(n % 100000000), 8);
}

// What a scaling x * 10^k gave.
enum class Scaled { nearest, too_large, undecided };

// The integer nearest x * 10^k (ties to even) for x = significand * 2^-shift,
// k in 0..22; too_large when x * 10^k is not below 10^digits.
inline Scaled exact_nearest(std::uint64_t significand, int shift, int k, int digits,
                            std::uint64_t& nearest) {
  if (shift <= 0 || shift >= 128) return Scaled::undecided;
  const uint128 product = significand * wide_powers[static_cast<std::size_t>(k)];
  const uint128 whole = product >> shift;
  if (whole >= integer_powers[static_cast<std::size_t>(digits)]) return Scaled::too_large;
  const uint128 remainder = product - (whole << shift);
  const uint128 half = uint128{1} << (shift - 1);
  const bool up = remainder > half || (remainder == half && (whole & 1) != 0);
  nearest = static_cast<std::uint64_t>(whole) + (up ? 1u : 0u);
  return Scaled::nearest;
}

// The integer nearest x * 10^k in extended precision; undecided when the
// rounding error could decide it.
inline Scaled extended_nearest(double x, int k, int digits, std::uint64_t& nearest) {
  if constexpr (!extended_digits_available) {
    return Scaled::undecided;
  } else {
    if (k > 27 || k < -27) return Scaled::undecided;
    const long double upper = static_cast<long double>(integer_powers[static_cast<std::size_t>(digits)]);
    const long double y = k >= 0 ? x * extended_powers[static_cast<std::size_t>(k)]
                                 : x / extended_powers[static_cast<std::size_t>(-k)];
    if (y >= upper) return Scaled::too_large;
    const auto whole = static_cast<std::int64_t>(y);
    const long double from_half = (y - static_cast<long double>(whole)) - 0.5L;
    // Twice the rounding error bound of y: 10^d * 2^-63.
    const long double margin = upper * 0x1p-63L;
    if (from_half <= margin && from_half >= -margin) return Scaled::undecided;
    nearest = static_cast<std::uint64_t>(whole) + (from_half > 0 ? 1u : 0u);
    return Scaled::nearest;
  }
}

// The d significant digits of `magnitude` (positive, finite) into `digits_out`
// and the exponent of the 0.DDD form into `exponent`; false when this path
// cannot decide them.
bool fast_digits(double magnitude, int digits, char* digits_out, int& exponent) {
  if (digits > max_fast_digits) return false;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0) return false;  // subnormal
  const std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int shift = 1075 - biased;  // magnitude = significand * 2^-shift
  // floor(log10(x)) is p or p + 1 for x in [2^b, 2^(b+1)): 78913 / 2^18 is
  // log10(2) to the precision this needs for |b| < 1700.
  const int p = ((biased - 1023) * 78913) >> 18;
  std::uint64_t n = 0;
  int k = digits - 1 - p;
  Scaled scaled = Scaled::too_large;
  for (int attempt = 0; attempt < 2 && scaled == Scaled::too_large; ++attempt) {
    if (attempt == 1) --k;  // p was one below floor(log10(x))
    scaled = k >= 0 && k <= max_exact_power ? exact_nearest(significand, shift, k, digits, n)
                                            : extended_nearest(magnitude, k, digits, n);
  }
  if (scaled != Scaled::nearest) return false;
  exponent = digits - k;
  if (n == integer_powers[static_cast<std::size_t>(digits)]) {
    n = integer_powers[static_cast<std::size_t>(digits - 1)];
    ++exponent;
  }
  if (n < integer_powers[static_cast<std::size_t>(digits - 1)]) return false;
  write_digits(digits_out, n, digits);
  return true;
}

}  // namespace

void render_integer(char* out, int width, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  const int length = static_cast<int>(result.ptr - text);
  if (length > width) {
    fill_asterisks(out, width);
  } else {
    right_justify(out, width, text, length);
  }
}

void render_exponent(char* out, int width, int digits, double value) {
  if (!std::isfinite(value)) {
    render_non_finite(out, width, value);
    return;
  }
  if (digits < 1 || digits > 60) {
    fill_asterisks(out, width);
    return;
  }
  if (value != 0.0) {
    const bool negative = value < 0.0;
    // [-]0.<digits> and four characters of exponent (E+xx, or +xxx).
    const int full = (negative ? 1 : 0) + 2 + digits + 4;
    const bool leading_zero = full <= width;  // the 0 only when there is room
    const int length = leading_zero ? full : full - 1;
    if (length > width) {
      fill_asterisks(out, width);
      return;
    }
    char* p = out;
    if (leading_zero && width >= digits + 7) {
      // The usual case: blanks, then a place for the sign that holds '-' or a
      // blank (no branch on the sign, which varies from value to value).
      const int blanks = width - digits - 7;
      std::memset(p, ' ', static_cast<std::size_t>(blanks));
      p += blanks;
      *p++ = negative ? '-' : ' ';
    } else {
      for (int i = length; i < width; ++i) *p++ = ' ';
      if (negative) *p++ = '-';
    }
    if (leading_zero) *p++ = '0';
    *p++ = '.';
    // The d significant digits rounded from the exact binary value (ties to
    // even), straight into the field, and the exponent of the 0.DDDD form: by
    // the fast paths when they decide them, else from to_chars ("D.DDDDe+XX",
    // "De+XX" for one digit).
    int exponent = 0;
    if (!fast_digits(std::fabs(value), digits, p, exponent)) {
      char scientific[96];
      const auto result = std::to_chars(scientific, scientific + sizeof scientific,
                                        std::fabs(value), std::chars_format::scientific, digits - 1);
      const char* const e = scientific + (digits == 1 ? 1 : digits + 1);
      int parsed = 0;
      for (const char* q = e + 2; q < result.ptr; ++q) parsed = parsed * 10 + (*q - '0');
      exponent = (e[1] == '-' ? -parsed : parsed) + 1;
      p[0] = scientific[0];
      std::memcpy(p + 1, scientific + 2, static_cast<std::size_t>(digits - 1));
    }
    p += digits;
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude > 999) {
      fill_asterisks(out, width);
      return;
    }
    const char sign = exponent < 0 ? '-' : '+';
    if (magnitude <= 99) {
      p[0] = 'E';
      p[1] = sign;
      p[2] = static_cast<char>('0' + magnitude / 10);
      p[3] = static_cast<char>('0' + magnitude % 10);
    } else {
      p[0] = sign;
      p[1] = static_cast<char>('0' + magnitude / 100);
      p[2] = static_cast<char>('0' + magnitude / 10 % 10);
      p[3] = static_cast<char>('0' + magnitude % 10);
    }
    return;
  }
  // Zero: [0].<digits>E+00, unsigned.
  char text[96];
  int length = 0;
  text[length++] = '0';
  text[length++] = '.';
  std::memset(text + length, '0', static_cast<std::size_t>(digits));
  length += digits;
  std::memcpy(text + length, "E+00", 4);
  length += 4;
  if (length <= width) {
    right_justify(out, width, text, length);
  } else if (length - 1 <= width) {
    right_justify(out, width, text + 1, length - 1);  // no room for the 0 before the point
  } else {
    fill_asterisks(out, width);
  }
}

void render_fixed(char* out, int width, int digits, double value) {
  if (!std::isfinite(value)) {
    render_non_finite(out, width, value);
    return;
  }
  if (digits < 0 || digits > 60) {
    fill_asterisks(out, width);
    return;
  }
  // to_chars in fixed notation gives the exactly rounded digits (ties to even).
  char text[400];
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
  if (result.ec != std::errc()) {
    fill_asterisks(out, width);
    return;
  }
  int length = static_cast<int>(result.ptr - text);
  if (digits == 0) text[length++] = '.';
  // A value that rounds to zero is written unsigned.
  if (text[0] == '-') {
    bool all_zero = true;
    for (int i = 1; i < length; ++i) {
      if (is_digit(text[i]) && text[i] != '0') all_zero = false;
    }
    if (all_zero) {
      std::memmove(text, text + 1, static_cast<std::size_t>(length - 1));
      --length;
    }
  }
  if (length <= width) {
    right_justify(out, width, text, length);
    return;
  }
  // The 0 before the point is written only when there is room for it.
  const int zero_at = text[0] == '-' ? 1 : 0;
  if (length - 1 <= width && text[zero_at] == '0' && text[zero_at + 1] == '.') {
    std::memmove(text + zero_at, text + zero_at + 1, static_cast<std::size_t>(length - zero_at - 1));
    right_justify(out, width, text, length - 1);
    return;
  }
  fill_asterisks(out, width);
}

void render_text(char* out, int width, std::string_view text) {
  if (static_cast<int>(text.size()) >= width) {
    std::memcpy(out, text.data(), static_cast<std::size_t>(width));
  } else {
    right_justify(out, width, text.data(), static_cast<int>(text.size()));
  }
}

bool parse_integer(std::string_view field, std::int32_t& value) {
  std::int64_t magnitude = 0;
  bool negative = false;
  bool seen_sign = false;
  bool seen_digit = false;
  for (const char c : field) {
    if (c == ' ') continue;
    if (is_digit(c)) {
      seen_digit = true;
      magnitude = magnitude * 10 + (c - '0');
      if (magnitude > std::int64_t{1} << 31) return false;
    } else if ((c == '-' || c == '+') && !seen_sign && !seen_digit) {
      seen_sign = true;
      negative = c == '-';
    } else {
      return false;
    }
  }
  if (seen_sign && !seen_digit) return false;
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(signed_value);
  return true;
}

double decimal_to_double(std::string_view digits, int exponent10, bool negative) {
  // Leading zeros carry no value; trailing zeros move into the exponent.
  std::size_t first = 0;
  while (first < digits.size() && digits[first] == '0') ++first;
  std::size_t last = digits.size();
  while (last > first && digits[last - 1] == '0') {
    --last;
    ++exponent10;
  }
  if (first == last) return negative ? -0.0 : 0.0;
  const std::string_view significant = digits.substr(first, last - first);
  if (significant.size() <= 15) {
    // The mantissa is below 10^15 < 2^53: exact as a double.
    std::uint64_t mantissa = 0;
    for (const char c : significant) mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
    if (exponent10 >= -22 && exponent10 <= 22) {
      double result = static_cast<double>(mantissa);
      result = exponent10 < 0 ? result / exact_powers[static_cast<std::size_t>(-exponent10)]
                              : result * exact_powers[static_cast<std::size_t>(exponent10)];
      return negative ? -result : result;
    }
  } else if (significant.size() <= 16) {
    std::uint64_t mantissa = 0;
    for (const char c : significant) mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
    if (mantissa < (std::uint64_t{1} << 53) && exponent10 >= -22 && exponent10 <= 22) {
      double result = static_cast<double>(mantissa);
      result = exponent10 < 0 ? result / exact_powers[static_cast<std::size_t>(-exponent10)]
                              : result * exact_powers[static_cast<std::size_t>(exponent10)];
      return negative ? -result : result;
    }
  }
  // Rare case (long mantissa or large exponent): hand the digits to from_chars,
  // which rounds correctly.
  std::string text;
  text.reserve(significant.size() + 16);
  if (negative) text += '-';
  text.append(significant);
  text += 'e';
  text += std::to_string(exponent10);
  double result = 0.0;
  const auto status = std::from_chars(text.data(), text.data() + text.size(), result);
  if (status.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero, both with the value's sign.
    const bool huge = exponent10 > 0;
    result = huge ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) result = -result;
  }
  return result;
}

namespace {

// Correctly rounded mantissa * 10^exponent10 when both allow it exactly.
inline bool exact_decimal(std::uint64_t mantissa, int exponent10, bool negative, double& value) {
  if (mantissa >= (std::uint64_t{1} << 53) || exponent10 < -22 || exponent10 > 22) return false;
  // One multiplication and one division, one of them by 1: the sign of the
  // exponent varies from field to field and a branch on it is mispredicted.
  const std::size_t at = static_cast<std::size_t>(exponent10 + 22);
  const double result = static_cast<double>(mantissa) * scale_factors[at] / scale_divisors[at];
  // The sign goes into the sign bit, again without a branch (-0.0 stays -0.0).
  value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(result) |
                                (static_cast<std::uint64_t>(negative) << 63));
  return true;
}

// The field exactly as the solver writes Ew.d: [blanks][sign][0].<d digits>E<sign><2 digits>,
// right-justified. Checked at fixed places from the field's end, without a
// character loop. Returns false for any other text.
inline bool parse_written_exponent(std::string_view field, int digits, double& value) {
  const std::size_t n = field.size();
  if (digits < 1 || digits > 15 || n < static_cast<std::size_t>(digits) + 5) return false;
  const char* const begin = field.data();
  const char* const e = begin + n - 4;
  const unsigned e1 = static_cast<unsigned>(e[2] - '0');
  const unsigned e2 = static_cast<unsigned>(e[3] - '0');
  if (e[0] != 'E' || (e[1] != '+' && e[1] != '-') || e1 > 9 || e2 > 9) return false;
  const char* const m = e - digits;
  if (m[-1] != '.') return false;
  std::uint64_t mantissa = 0;
  bool all_digits = true;
  for (int k = 0; k < digits; ++k) {
    const unsigned d = static_cast<unsigned>(m[k] - '0');
    all_digits &= d <= 9;
    mantissa = mantissa * 10 + d;
  }
  if (!all_digits) return false;
  // Before the point: an optional 0, then blanks of which the last may be the
  // sign. The last place is checked without a branch on the sign.
  std::size_t lead = static_cast<std::size_t>(m - 1 - begin);
  if (lead > 0 && begin[lead - 1] == '0') --lead;
  bool negative = false;
  if (lead > 0) {
    const char last = begin[lead - 1];
    negative = last == '-';
    bool blanks = last == ' ' || negative || last == '+';
    for (std::size_t i = 0; i + 1 < lead; ++i) blanks &= begin[i] == ' ';
    if (!blanks) return false;
  }
  // The exponent's sign applied without a branch: (x ^ -1) + 1 == -x.
  const int exponent_negative = e[1] == '-' ? 1 : 0;
  const int exponent = (static_cast<int>(e1 * 10 + e2) ^ -exponent_negative) + exponent_negative;
  return exact_decimal(mantissa, exponent - digits, negative, value);
}

// The common shape of a real field, [blanks][sign]digits[.digits][E|D][sign]digits
// with no blank after the first character of the number, read in one pass:
// the digits are gathered into an integer, and when it stays below 2^53 and the
// decimal exponent within the exactly representable powers of ten, one
// multiplication or division gives the correctly rounded value. Returns false,
// having stored nothing, for every other field (the general reader takes it).
inline bool parse_real_common(std::string_view field, int digits, double& value) {
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p < end && *p == ' ') ++p;
  if (p == end) return false;
  bool negative = false;
  if (*p == '-' || *p == '+') {
    negative = *p == '-';
    ++p;
  }
  std::uint64_t mantissa = 0;
  int significant = 0;  // digits in the mantissa from its first non-zero one
  int after_point = 0;
  bool seen_digit = false;
  bool seen_point = false;
  for (; p < end; ++p) {
    const unsigned d = static_cast<unsigned>(*p - '0');
    if (d <= 9) {
      seen_digit = true;
      if (seen_point) ++after_point;
      if (mantissa == 0 && d == 0) continue;
      if (++significant > 19) return false;
      mantissa = mantissa * 10 + d;
    } else if (*p == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  if (!seen_digit) return false;
  int exponent = 0;
  if (p < end) {
    if (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd') ++p;
    else if (*p != '+' && *p != '-') return false;
    bool exponent_negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
      exponent_negative = *p == '-';
      ++p;
    }
    if (p == end) return false;
    for (; p < end; ++p) {
      const unsigned d = static_cast<unsigned>(*p - '0');
      if (d > 9 || exponent > 10000) return false;
      exponent = exponent * 10 + static_cast<int>(d);
    }
    if (exponent_negative) exponent = -exponent;
  }
  return exact_decimal(mantissa, exponent - (seen_point ? after_point : digits), negative, value);
}

}  // namespace

// Every other real field: blanks anywhere, long mantissas, far exponents.
[[gnu::noinline]] static bool parse_real_other(std::string_view field, int digits, double& value) {
  if (parse_real_common(field, digits, value)) return true;
  // Significant digits are gathered into a small buffer; the decimal exponent
  // counts the places after the point and the explicit exponent.
  char mantissa[64];
  std::size_t mantissa_length = 0;
  std::string long_mantissa;  // only for more than 64 digits (cold)
  bool negative = false;
  bool seen_sign = false, seen_digit = false, seen_point = false;
  int after_point = 0;
  std::size_t i = 0;
  const std::size_t n = field.size();
  for (; i < n; ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (is_digit(c)) {
      seen_digit = true;
      if (mantissa_length == 0 && c == '0') {
        if (seen_point) ++after_point;
        continue;  // leading zeros carry no value
      }
      if (mantissa_length < sizeof mantissa) {
        mantissa[mantissa_length++] = c;
      } else {
        if (long_mantissa.empty()) long_mantissa.assign(mantissa, mantissa_length);
        long_mantissa += c;
      }
      if (seen_point) ++after_point;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else if ((c == '+' || c == '-') && !seen_sign && !seen_digit && !seen_point) {
      seen_sign = true;
      negative = c == '-';
    } else {
      break;  // start of the exponent
    }
  }
  if (!seen_digit) {
    // All blank (or a lone sign, which the Fortran runtime reads as zero too
    // only when nothing else follows): an all-blank field is 0.0.
    if (i == n && !seen_sign && !seen_point) {
      value = 0.0;
      return true;
    }
    return false;
  }
  int exponent = 0;
  if (i < n) {
    const char c = field[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
    } else if (c != '+' && c != '-') {
      return false;
    }
    bool exponent_negative = false;
    bool exponent_sign = false;
    bool exponent_digit = false;
    long magnitude = 0;
    for (; i < n; ++i) {
      const char e = field[i];
      if (e == ' ') continue;
      if (is_digit(e)) {
        exponent_digit = true;
        if (magnitude < 100000) magnitude = magnitude * 10 + (e - '0');
      } else if ((e == '+' || e == '-') && !exponent_sign && !exponent_digit) {
        exponent_sign = true;
        exponent_negative = e == '-';
      } else {
        return false;
      }
    }
    if (!exponent_digit) return false;
    exponent = static_cast<int>(exponent_negative ? -magnitude : magnitude);
  }
  // Without a point the digits are an integer scaled by 10^-d.
  const int scale = seen_point ? -after_point : -digits;
  const int exponent10 = exponent + scale;
  if (!long_mantissa.empty()) {
    value = decimal_to_double(long_mantissa, exponent10, negative);
  } else {
    value = decimal_to_double(std::string_view(mantissa, mantissa_length), exponent10, negative);
  }
  return true;
}

bool parse_written_exponents(std::string_view text, int count, int width, int digits,
                             double* values) {
  if (count < 0 || digits < 1 || digits > 15 || width < digits + 7 ||
      text.size() < static_cast<std::size_t>(count) * static_cast<std::size_t>(width)) {
    return false;
  }
  // Every place of every field is checked and the verdict taken once at the
  // end, without a branch per place.
  unsigned odd = 0;  // nonzero when a place is not as written
  const auto* field = reinterpret_cast<const unsigned char*>(text.data());
  for (int c = 0; c < count; ++c, field += width) {
    const unsigned char* const e = field + width - 4;
    const unsigned char* const m = e - digits;
    const unsigned e1 = e[2] - unsigned{'0'};
    const unsigned e2 = e[3] - unsigned{'0'};
    const unsigned sign = m[-3];
    const unsigned exponent_negative = e[1] == '-' ? 1u : 0u;
    odd |= (e[0] ^ unsigned{'E'}) | (e1 > 9) | (e2 > 9) | (m[-1] ^ unsigned{'.'}) |
           (m[-2] ^ unsigned{'0'});
    odd |= static_cast<unsigned>((e[1] != '+') & (exponent_negative == 0));
    odd |= static_cast<unsigned>((sign != ' ') & (sign != '-') & (sign != '+'));
    for (const unsigned char* blank = field; blank < m - 3; ++blank) odd |= *blank ^ unsigned{' '};
    // Below 16 * 10^15 whatever the places hold (a place that is no digit
    // adds at most 15 and fails the run).
    std::int64_t mantissa = 0;
    for (int k = 0; k < digits; ++k) {
      const unsigned d = m[k] - unsigned{'0'};
      odd |= d > 9;
      mantissa = mantissa * 10 + (d & 15);
    }
    const int exponent = ((static_cast<int>(e1 * 10 + e2) ^ -static_cast<int>(exponent_negative)) +
                          static_cast<int>(exponent_negative)) -
                         digits;
    const auto at = static_cast<std::uint32_t>(exponent + 22);
    odd |= at >= scale_factors.size();
    const std::uint32_t scale = at < scale_factors.size() ? at : 22;
    // As exact_decimal (the mantissa is below 10^15 < 2^53), with the sign on
    // the mantissa: rounding to nearest is symmetric, and -0 stays -0.
    const double unsigned_mantissa = static_cast<double>(mantissa);
    const double signed_mantissa = sign == '-' ? -unsigned_mantissa : unsigned_mantissa;
    values[c] = signed_mantissa * scale_factors[scale] / scale_divisors[scale];
  }
  return odd == 0;
}

bool parse_real(std::string_view field, int digits, double& value) {
  // Nearly every field of a listing has the shape its layout writes.
  if (parse_written_exponent(field, digits, value)) return true;
  return parse_real_other(field, digits, value);
}

}  // namespace meridian
