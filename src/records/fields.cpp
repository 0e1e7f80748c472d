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
    // to_chars rounds the exact binary value correctly (ties to even) to
    // d significant digits: "D.DDDDe+XX" with the point after the first digit,
    // "De+XX" for one digit. The field is then written straight into `out`.
    char scientific[96];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                      std::chars_format::scientific, digits - 1);
    const char* const e = scientific + (digits == 1 ? 1 : digits + 1);
    int parsed = 0;
    for (const char* p = e + 2; p < result.ptr; ++p) parsed = parsed * 10 + (*p - '0');
    // 0.DDDD form: one more than the scientific exponent.
    const int exponent = (e[1] == '-' ? -parsed : parsed) + 1;
    const int magnitude = exponent < 0 ? -exponent : exponent;
    const bool negative = value < 0.0;
    // [-]0.<digits> and four characters of exponent (E+xx, or +xxx).
    const int full = (negative ? 1 : 0) + 2 + digits + 4;
    const bool leading_zero = full <= width;  // the 0 only when there is room
    const int length = leading_zero ? full : full - 1;
    if (length > width || magnitude > 999) {
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
    *p++ = scientific[0];
    std::memcpy(p, scientific + 2, static_cast<std::size_t>(digits - 1));
    p += digits - 1;
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

bool parse_real(std::string_view field, int digits, double& value) {
  // Nearly every field of a listing has the shape its layout writes.
  if (parse_written_exponent(field, digits, value)) return true;
  return parse_real_other(field, digits, value);
}

}  // namespace meridian
