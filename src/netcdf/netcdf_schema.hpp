#pragma once
// What a netCDF classic file holds, before any byte of it is laid out:
// dimensions, variables over them and attributes, each list in the order
// added. A dimension's or a variable's number is its position in its list, as
// netCDF's ids are. Names and shapes are checked as they are added, against
// netCDF's "file format specifications" document; a bad one is a
// std::invalid_argument naming it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meridian::netcdf {

// The external types, with their tags in the file.
enum class Type : std::int32_t {
  nc_byte = 1,
  nc_char = 2,
  nc_short = 3,
  nc_int = 4,
  nc_float = 5,
  nc_double = 6
};

// Bytes of one value of the type in the file.
std::uint32_t value_size(Type type);

struct Attribute {
  std::string name;
  Type type = Type::nc_char;
  std::uint32_t count = 0;  // values
  std::string values;       // big-endian, without padding
};
Attribute text_attribute(std::string name, std::string_view text);
Attribute int_attribute(std::string name, std::span<const std::int32_t> values);
Attribute float_attribute(std::string name, std::span<const float> values);
Attribute double_attribute(std::string name, std::span<const double> values);

struct Dimension {
  std::string name;
  std::uint32_t length = 0;  // 0 for the record dimension
};

struct Variable {
  std::string name;
  Type type = Type::nc_double;
  std::vector<std::size_t> dimensions;  // numbers of dimensions, slowest varying first
  std::vector<Attribute> attributes;
};

class Schema {
 public:
  // Each add_ returns the number of what it added. A fixed dimension has a
  // length of 1 or more: a length of 0 is how the file marks the record
  // dimension, of which there is at most one.
  std::size_t add_dimension(std::string name, std::uint32_t length);
  std::size_t add_record_dimension(std::string name);
  // The record dimension may only be a variable's first dimension.
  std::size_t add_variable(std::string name, Type type, std::vector<std::size_t> dimensions);
  void add_attribute(Attribute attribute);  // a global attribute
  void add_attribute(std::size_t variable, Attribute attribute);

  const std::vector<Dimension>& dimensions() const { return dimensions_; }
  const std::vector<Variable>& variables() const { return variables_; }
  const std::vector<Attribute>& attributes() const { return attributes_; }
  bool is_record_variable(std::size_t variable) const;

 private:
  std::vector<Dimension> dimensions_;
  std::vector<Variable> variables_;
  std::vector<Attribute> attributes_;
  std::optional<std::size_t> record_dimension_;
};

// Throws std::invalid_argument unless `name` is a valid netCDF name; `what`
// ("dimension", "variable", "attribute") is named in the message.
void check_name(std::string_view name, std::string_view what);

}  // namespace meridian::netcdf
