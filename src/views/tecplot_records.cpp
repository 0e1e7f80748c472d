#include "views/tecplot_records.hpp"

#include <charconv>

#include "records/fields.hpp"

namespace meridian {

void append_integer(std::string& out, int width, std::int64_t value) {
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width));
  render_integer(out.data() + at, width, value);
}

void append_zone_count(std::string& out, int width, std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  const auto length = static_cast<int>(result.ptr - digits);
  if (length <= width) {
    append_integer(out, width, value);
  } else {
    out.append(digits, static_cast<std::size_t>(length));
  }
}

void append_exponent(std::string& out, int width, int digits, double value) {
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width));
  render_exponent(out.data() + at, width, digits, value);
}

std::string zone_title_record(std::int64_t zone) {
  std::string record = "ZONE T=\"nn.";
  append_integer(record, 1, zone);
  record += '"';
  return record;
}

std::string zone_size_record(std::string_view lead, std::int64_t node_count,
                             std::int64_t element_count, std::string_view tail) {
  std::string record(lead);
  append_zone_count(record, 5, node_count);
  record += ",E=";
  append_zone_count(record, 5, element_count);
  record += tail;
  return record;
}

void append_element_record(std::string& out, const std::int32_t* corners, int count) {
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(8 * count));
  for (int k = 0; k < count; ++k) render_integer(out.data() + at + 8 * k, 8, corners[k]);
  out += record_end;
}

}  // namespace meridian
