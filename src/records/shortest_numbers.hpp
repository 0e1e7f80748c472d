#pragma once
// Numbers in their shortest text: integers plain, reals as the shortest
// decimal that reads back to the same double (std::to_chars without a
// precision). For the text of other formats (CSV summaries, JSON, XML
// attributes), not for fixed-column fields.

#include <charconv>
#include <string>

namespace meridian {

template <class Number>
void append_shortest(std::string& text, Number value) {
  char digits[32];  // the longest double, or any 64-bit integer
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

}  // namespace meridian
