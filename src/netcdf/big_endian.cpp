#include "netcdf/big_endian.hpp"

namespace meridian::netcdf {

char* put_floats(char* at, std::span<const double> values) {
  for (const double v : values) at = put_float(at, v);
  return at;
}

char* put_doubles(char* at, std::span<const double> values) {
  for (const double v : values) at = put_double(at, v);
  return at;
}

char* put_int32s(char* at, std::span<const std::int32_t> values) {
  for (const std::int32_t v : values) at = put_int32(at, v);
  return at;
}

}  // namespace meridian::netcdf
