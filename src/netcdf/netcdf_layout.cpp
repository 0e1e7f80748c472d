#include "netcdf/netcdf_layout.hpp"

#include <limits>
#include <stdexcept>

#include "netcdf/big_endian.hpp"

namespace meridian::netcdf {
namespace {

// Tags of the header's lists.
constexpr std::int32_t nc_dimension = 0x0A;
constexpr std::int32_t nc_variable = 0x0B;
constexpr std::int32_t nc_attribute = 0x0C;
// The largest size a vsize field tells; a larger variable has 2^32 - 1 there.
constexpr std::uint64_t max_vsize = 0xFFFFFFFCu;
constexpr std::uint32_t huge_vsize = 0xFFFFFFFFu;
// No variable comes near this; it keeps every offset a non-negative INT64.
constexpr std::uint64_t max_variable_bytes = std::uint64_t{1} << 56;

constexpr std::uint64_t round_up4(std::uint64_t n) {
  return (n + 3) / 4 * 4;
}

// Header padding is zero bytes.
void append_padded(std::string& out, std::string_view bytes) {
  out += bytes;
  out.append(round_up4(bytes.size()) - bytes.size(), '\0');
}

void append_name(std::string& out, const std::string& name) {
  append_int32(out, static_cast<std::int32_t>(name.size()));
  append_padded(out, name);
}

// An empty list is ABSENT: a zero in place of its tag, then its count of 0.
void append_list_head(std::string& out, std::int32_t tag, std::size_t count) {
  append_int32(out, count == 0 ? 0 : tag);
  append_int32(out, static_cast<std::int32_t>(count));
}

void append_attributes(std::string& out, const std::vector<Attribute>& attributes) {
  append_list_head(out, nc_attribute, attributes.size());
  for (const Attribute& attribute : attributes) {
    append_name(out, attribute.name);
    append_int32(out, static_cast<std::int32_t>(attribute.type));
    append_int32(out, static_cast<std::int32_t>(attribute.count));
    append_padded(out, attribute.values);
  }
}

std::int32_t checked_numrecs(std::uint32_t numrecs) {
  if (numrecs > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::invalid_argument("a netCDF record count is at most 2^31 - 1");
  }
  return static_cast<std::int32_t>(numrecs);
}

}  // namespace

Layout::Layout(Schema schema) : schema_(std::move(schema)), places_(schema_.variables().size()) {
  const std::vector<Variable>& variables = schema_.variables();
  std::size_t record_variables = 0;
  std::size_t last_fixed = variables.size(), last_record = variables.size();
  for (std::size_t v = 0; v < variables.size(); ++v) {
    const bool record = is_record_variable(v);
    (record ? last_record : last_fixed) = v;
    record_variables += record;
    // A record variable's values per record: its lengths but the first.
    std::uint64_t bytes = value_size(variables[v].type);
    for (std::size_t d = record ? 1 : 0; d < variables[v].dimensions.size(); ++d) {
      const std::uint64_t length = schema_.dimensions()[variables[v].dimensions[d]].length;
      if (bytes > max_variable_bytes / length) {
        throw std::invalid_argument("netCDF variable \"" + variables[v].name + "\": too large");
      }
      bytes *= length;
    }
    places_[v].value_bytes = bytes;
    places_[v].stored_bytes = round_up4(bytes);
  }
  for (std::size_t v = 0; v < variables.size(); ++v) {
    const bool last = v == last_record || (v == last_fixed && record_variables == 0);
    if (places_[v].stored_bytes > max_vsize && !last) {
      throw std::invalid_argument("netCDF variable \"" + variables[v].name +
                                  "\": more than 2^32 - 4 bytes, and not the last variable");
    }
  }
  // A sole record variable's slabs follow each other unpadded (its vsize in
  // the header is padded all the same).
  if (record_variables == 1) places_[last_record].stored_bytes = places_[last_record].value_bytes;

  // The header's size does not depend on the begins it holds.
  header_size_ = header_bytes(0).size();
  std::uint64_t at = header_size_;
  for (std::size_t v = 0; v < variables.size(); ++v) {
    if (is_record_variable(v)) continue;
    places_[v].begin = at;
    at += places_[v].stored_bytes;
  }
  records_begin_ = at;
  for (std::size_t v = 0; v < variables.size(); ++v) {
    if (!is_record_variable(v)) continue;
    places_[v].begin = at;
    at += places_[v].stored_bytes;
  }
  record_size_ = at - records_begin_;
}

std::string Layout::header_bytes(std::uint32_t numrecs) const {
  std::string out = {'C', 'D', 'F', '\x02'};
  append_int32(out, checked_numrecs(numrecs));
  append_list_head(out, nc_dimension, schema_.dimensions().size());
  for (const Dimension& dimension : schema_.dimensions()) {
    append_name(out, dimension.name);
    append_int32(out, static_cast<std::int32_t>(dimension.length));
  }
  append_attributes(out, schema_.attributes());
  append_list_head(out, nc_variable, schema_.variables().size());
  for (std::size_t v = 0; v < schema_.variables().size(); ++v) {
    const Variable& variable = schema_.variables()[v];
    append_name(out, variable.name);
    append_int32(out, static_cast<std::int32_t>(variable.dimensions.size()));
    for (const std::size_t d : variable.dimensions) append_int32(out, static_cast<std::int32_t>(d));
    append_attributes(out, variable.attributes);
    append_int32(out, static_cast<std::int32_t>(variable.type));
    const std::uint64_t vsize = round_up4(places_[v].value_bytes);
    append_int32(out, static_cast<std::int32_t>(vsize > max_vsize ? huge_vsize : vsize));
    append_int64(out, static_cast<std::int64_t>(places_[v].begin));
  }
  return out;
}

std::string_view Layout::padding(std::size_t variable) const {
  const Place& place = places_.at(variable);
  const std::size_t length = place.stored_bytes - place.value_bytes;
  switch (schema_.variables()[variable].type) {
    case Type::nc_byte:
      return std::string_view("\x81\x81\x81", length);
    case Type::nc_short:
      return std::string_view("\x80\x01", length);
    default:  // NC_CHAR's fill value; values of 4 or 8 bytes need no padding
      return std::string_view("\0\0\0", length);
  }
}

std::string numrecs_bytes(std::uint32_t numrecs) {
  std::string out;
  append_int32(out, checked_numrecs(numrecs));
  return out;
}

}  // namespace meridian::netcdf
