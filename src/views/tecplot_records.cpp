#include "views/tecplot_records.hpp"

#include <algorithm>
#include <charconv>

#include "records/fatal.hpp"
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

void check_brick_zones(const BrickZones& zones) {
  std::int64_t element_total = 0;
  for (const std::int32_t count : zones.zone_element_counts) {
    if (count < 0) fail_file(zones.file_name, "a zone has a negative element count");
    element_total += count;
  }
  if (element_total > static_cast<std::int64_t>(zones.element_nodes.size())) {
    fail_file(zones.file_name, "the zones hold more elements than the element table");
  }
}

std::string render_brick_records(const BrickZones& zones) {
  std::size_t total = 0;
  for (const std::int32_t count : zones.zone_element_counts) total += static_cast<std::size_t>(count);
  std::string records;
  records.reserve(total * brick_record_bytes);
  for (std::size_t e = 0; e < total; ++e) {
    append_element_record(records, zones.element_nodes[e].data(), 8);
  }
  return records;
}

void write_brick_zones(OutputFile& out, const BrickZones& zones, const RenderNodeRecords& nodes,
                       const std::string* element_records, std::string& node_scratch,
                       std::string& element_scratch) {
  const std::int32_t node_count = std::max(zones.node_count, 0);
  const std::size_t zone_count = zones.zone_element_counts.size();
  // Every zone repeats the same node records: with several zones they are
  // rendered once and the bytes reused; a single zone streams them.
  node_scratch.clear();
  if (zone_count > 1 && node_count > 0) {
    node_scratch.reserve(zones.node_record_bytes * static_cast<std::size_t>(node_count));
    nodes([&node_scratch](std::string_view bytes) { node_scratch.append(bytes); });
  }
  std::string& chunk = element_scratch;
  std::size_t element = 0;
  for (std::size_t z = 0; z < zone_count; ++z) {
    const std::int32_t zone_elements = zones.zone_element_counts[z];
    out.write_record(zone_title_record(static_cast<std::int64_t>(z) + 1));
    out.write_record(zone_size_record("N=", zones.node_count, zone_elements, ",F=FEPOINT,ET=BRICK"));
    if (zone_count > 1) {
      out.write_bytes(node_scratch);
    } else if (node_count > 0) {
      nodes([&out](std::string_view bytes) { out.write_bytes(bytes); });
    }
    if (element_records != nullptr) {
      const std::size_t bytes = static_cast<std::size_t>(zone_elements) * brick_record_bytes;
      out.write_bytes(std::string_view(*element_records).substr(element * brick_record_bytes, bytes));
      element += static_cast<std::size_t>(zone_elements);
      continue;
    }
    chunk.clear();
    for (std::int32_t e = 0; e < zone_elements; ++e, ++element) {
      append_element_record(chunk, zones.element_nodes[element].data(), 8);
      if (chunk.size() >= (1u << 16)) {
        out.write_bytes(chunk);
        chunk.clear();
      }
    }
    out.write_bytes(chunk);
  }
}

}  // namespace meridian
