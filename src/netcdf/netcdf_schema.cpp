#include "netcdf/netcdf_schema.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "netcdf/big_endian.hpp"

namespace meridian::netcdf {
namespace {

// Counts and lengths are NON_NEG in the file: non-negative 32-bit integers.
constexpr std::uint64_t max_count = std::numeric_limits<std::int32_t>::max();
// netCDF's library reads names into buffers of NC_MAX_NAME (256) bytes; a
// longer one overruns them (its readers crash on it).
constexpr std::size_t max_name_bytes = 256;

// The name in a message: bytes other than printable ASCII as \xHH, so that
// none of them cuts or garbles the message.
[[noreturn]] void fail(std::string_view what, std::string_view name, std::string_view why) {
  std::string shown;
  for (const char c : name) {
    if (c >= ' ' && c <= '~') {
      shown += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      shown += {'\\', 'x', "0123456789abcdef"[byte / 16], "0123456789abcdef"[byte % 16]};
    }
  }
  throw std::invalid_argument("netCDF " + std::string(what) + " \"" + shown +
                              "\": " + std::string(why));
}

bool alphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

template <class Named>
void check_new_name(const std::vector<Named>& list, const std::string& name,
                    std::string_view what) {
  check_name(name, what);
  if (std::any_of(list.begin(), list.end(), [&](const Named& n) { return n.name == name; })) {
    fail(what, name, "defined twice");
  }
}

void check_attribute(const std::vector<Attribute>& list, const Attribute& attribute) {
  check_new_name(list, attribute.name, "attribute");
  if (attribute.count > max_count) fail("attribute", attribute.name, "too many values");
  if (attribute.values.size() != std::uint64_t{attribute.count} * value_size(attribute.type)) {
    fail("attribute", attribute.name, "byte count does not match its count of values");
  }
}

template <class Value, class Put>
Attribute array_attribute(std::string name, Type type, std::span<const Value> values, Put put) {
  if (values.size() > max_count) fail("attribute", name, "too many values");
  std::string bytes(values.size() * value_size(type), '\0');
  put(bytes.data(), values);
  return Attribute{std::move(name), type, static_cast<std::uint32_t>(values.size()),
                   std::move(bytes)};
}

}  // namespace

std::uint32_t value_size(Type type) {
  switch (type) {
    case Type::nc_byte:
    case Type::nc_char:
      return 1;
    case Type::nc_short:
      return 2;
    case Type::nc_int:
    case Type::nc_float:
      return 4;
    case Type::nc_double:
      return 8;
  }
  throw std::invalid_argument("not a netCDF classic type");
}

Attribute text_attribute(std::string name, std::string_view text) {
  const auto put = [](char* at, std::span<const char> chars) {
    std::copy(chars.begin(), chars.end(), at);
  };
  return array_attribute(std::move(name), Type::nc_char, std::span(text), put);
}
Attribute int_attribute(std::string name, std::span<const std::int32_t> values) {
  return array_attribute(std::move(name), Type::nc_int, values, put_int32s);
}
Attribute float_attribute(std::string name, std::span<const float> values) {
  const auto put = [](char* at, std::span<const float> floats) {
    for (const float f : floats) at = put_float(at, f);
  };
  return array_attribute(std::move(name), Type::nc_float, values, put);
}
Attribute double_attribute(std::string name, std::span<const double> values) {
  return array_attribute(std::move(name), Type::nc_double, values, put_doubles);
}

void check_name(std::string_view name, std::string_view what) {
  // The first character is a letter, a digit or '_'; the others may also be
  // any printable ASCII character but '/'; no trailing space. netCDF also
  // allows multi-byte UTF-8 characters, but only in Unicode's NFC form, which
  // takes Unicode's tables to check: names here are ASCII.
  if (name.empty()) fail(what, name, "empty name");
  if (name.size() > max_name_bytes) fail(what, name, "name longer than 256 bytes");
  if (!alphanumeric(name.front()) && name.front() != '_') {
    fail(what, name, "name begins with neither a letter, a digit nor '_'");
  }
  for (const char c : name) {
    if (c < ' ' || c > '~' || c == '/') {
      fail(what, name, "name holds a character not printable ASCII, or '/'");
    }
  }
  if (name.back() == ' ') fail(what, name, "name ends with a space");
}

std::size_t Schema::add_dimension(std::string name, std::uint32_t length) {
  check_new_name(dimensions_, name, "dimension");
  if (length == 0 || length > max_count) {
    fail("dimension", name, "length not in 1 to 2^31 - 1 (0 marks the record dimension)");
  }
  dimensions_.push_back(Dimension{std::move(name), length});
  return dimensions_.size() - 1;
}

std::size_t Schema::add_record_dimension(std::string name) {
  check_new_name(dimensions_, name, "dimension");
  if (record_dimension_) fail("dimension", name, "second record dimension");
  record_dimension_ = dimensions_.size();
  dimensions_.push_back(Dimension{std::move(name), 0});
  return dimensions_.size() - 1;
}

std::size_t Schema::add_variable(std::string name, Type type, std::vector<std::size_t> dimensions) {
  check_new_name(variables_, name, "variable");
  value_size(type);  // throws for a type that is none
  for (std::size_t i = 0; i < dimensions.size(); ++i) {
    if (dimensions[i] >= dimensions_.size()) fail("variable", name, "undefined dimension");
    if (i > 0 && dimensions[i] == record_dimension_) {
      fail("variable", name, "record dimension not first");
    }
  }
  variables_.push_back(Variable{std::move(name), type, std::move(dimensions), {}});
  return variables_.size() - 1;
}

void Schema::add_attribute(Attribute attribute) {
  check_attribute(attributes_, attribute);
  attributes_.push_back(std::move(attribute));
}

void Schema::add_attribute(std::size_t variable, Attribute attribute) {
  if (variable >= variables_.size()) fail("attribute", attribute.name, "of no variable defined");
  std::vector<Attribute>& list = variables_[variable].attributes;
  check_attribute(list, attribute);
  list.push_back(std::move(attribute));
}

bool Schema::is_record_variable(std::size_t variable) const {
  const Variable& v = variables_.at(variable);
  return !v.dimensions.empty() && v.dimensions.front() == record_dimension_;
}

}  // namespace meridian::netcdf
