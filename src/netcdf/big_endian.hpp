#pragma once
// Values as netCDF's classic files hold them: big-endian two's complement
// integers and big-endian IEEE floats. Each helper stores into a buffer the
// caller sized and returns the position after what it stored, or appends to a
// string (the header).

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace meridian::netcdf {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "bytes are swapped or kept as they are, nothing in between");

// std::byteswap comes with C++23; GCC makes one bswap instruction of each.
constexpr std::uint16_t byteswap(std::uint16_t v) {
  return static_cast<std::uint16_t>((v >> 8) | (v << 8));
}
constexpr std::uint32_t byteswap(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
constexpr std::uint64_t byteswap(std::uint64_t v) {
  return (std::uint64_t{byteswap(static_cast<std::uint32_t>(v))} << 32) |
         byteswap(static_cast<std::uint32_t>(v >> 32));
}

template <class Word>
constexpr Word big_endian(Word v) {
  if constexpr (std::endian::native == std::endian::big) {
    return v;
  } else {
    return byteswap(v);
  }
}

template <class Word>
char* put_word(char* at, Word v) {
  v = big_endian(v);
  std::memcpy(at, &v, sizeof v);
  return at + sizeof v;
}

inline char* put_int16(char* at, std::int16_t v) {
  return put_word(at, static_cast<std::uint16_t>(v));
}
inline char* put_int32(char* at, std::int32_t v) {
  return put_word(at, static_cast<std::uint32_t>(v));
}
inline char* put_int64(char* at, std::int64_t v) {
  return put_word(at, static_cast<std::uint64_t>(v));
}
// A double stored as NC_FLOAT, rounded to the nearest float by the conversion
// (IEEE rounding: magnitudes beyond float's range become infinities).
inline char* put_float(char* at, double v) {
  return put_word(at, std::bit_cast<std::uint32_t>(static_cast<float>(v)));
}
inline char* put_double(char* at, double v) {
  return put_word(at, std::bit_cast<std::uint64_t>(v));
}

inline void append_int32(std::string& out, std::int32_t v) {
  char bytes[4];
  out.append(bytes, put_int32(bytes, v));
}
inline void append_int64(std::string& out, std::int64_t v) {
  char bytes[8];
  out.append(bytes, put_int64(bytes, v));
}
inline void append_float(std::string& out, double v) {
  char bytes[4];
  out.append(bytes, put_float(bytes, v));
}
inline void append_double(std::string& out, double v) {
  char bytes[8];
  out.append(bytes, put_double(bytes, v));
}

// Whole arrays: the hot path of the writers, tens of millions of values per
// file. Plain loops; GCC vectorises them at -O3 where the target has a byte
// shuffle (SSSE3 and later), and otherwise runs one conversion and one bswap a
// value.
char* put_floats(char* at, std::span<const double> values);
char* put_doubles(char* at, std::span<const double> values);
char* put_int32s(char* at, std::span<const std::int32_t> values);

}  // namespace meridian::netcdf
