#pragma once
// Bytes written down as hexadecimal digits, spaces and line breaks ignored,
// so that a test can spell out a file's bytes in the groups the format has.

#include <stdexcept>
#include <string>
#include <string_view>

namespace meridian::testing {

inline std::string hex_bytes(std::string_view digits) {
  const auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument(std::string("not a hexadecimal digit: ") + c);
  };
  std::string bytes;
  int high = -1;
  for (const char c : digits) {
    if (c == ' ' || c == '\n') continue;
    if (high < 0) {
      high = value(c);
    } else {
      bytes += static_cast<char>(high * 16 + value(c));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("an odd number of hexadecimal digits");
  return bytes;
}

}  // namespace meridian::testing
