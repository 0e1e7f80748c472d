#pragma once
// Rendering and parsing of single fixed-width fields: Iw, Ew.d, Fw.d, Aw.
// Renderers write exactly `width` characters at `out`; a value that does not fit
// becomes `width` asterisks. Reals are rendered correctly rounded from their exact
// binary value (ties to even). Parsers read one field's columns (shorter fields are
// taken as blank-padded) and return false when the text is not of the field's kind.

#include <cstdint>
#include <string_view>

namespace meridian {

void render_integer(char* out, int width, std::int64_t value);
// Ew.d: 0.dddE+xx; the exponent letter is dropped for three-digit exponents; the
// leading 0 only when there is room; negative zero is written unsigned.
void render_exponent(char* out, int width, int digits, double value);
// A separator character, then an Ew.d field: width + 1 columns at `out`.
// Returns the end of the field.
inline char* render_separated_exponent(char* out, char separator, int width, int digits,
                                       double value) {
  *out = separator;
  render_exponent(out + 1, width, digits, value);
  return out + 1 + width;
}
// Fw.d
void render_fixed(char* out, int width, int digits, double value);
// Aw: right-justified when shorter than the field, cut to its first w characters
// when longer.
void render_text(char* out, int width, std::string_view text);

// Iw: blanks anywhere are ignored; all blank reads 0. Values outside the 32-bit
// range fail.
bool parse_integer(std::string_view field, std::int32_t& value);
// Ew.d / Fw.d: blanks ignored; sign, digits, optional point, optional exponent
// (E or D with a signed integer, or a bare sign and digits as in 1.5-3); without
// a point the digits are scaled by 10^-digits. All blank reads 0.0. The result is
// the correctly rounded double of the decimal text.
bool parse_real(std::string_view field, int digits, double& value);
// `count` adjacent Ew.d fields at the start of `text`, each exactly as the
// solver writes a value: blanks, a blank or sign, 0.<d digits>E<sign><2 digits>.
// Gives the values parse_real gives, or false (values unspecified) when the
// text is shorter or a field has any other shape or a far exponent.
bool parse_written_exponents(std::string_view text, int count, int width, int digits,
                             double* values);

// Correctly rounded decimal to double: value = mantissa digits * 10^exponent10.
// `digits` holds only '0'..'9' (no leading sign); used by the field and
// free-form parsers alike.
double decimal_to_double(std::string_view digits, int exponent10, bool negative);

}  // namespace meridian
