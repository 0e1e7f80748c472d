#include "results/extract_records.hpp"

#include <utility>

#include "records/fatal.hpp"
#include "records/fields.hpp"

namespace meridian {

void check_node(const StepTables& step, std::int32_t node, std::string_view file,
                std::string_view what) {
  if (node < 1 || node > step.node_limit) {
    fail_file(file, std::string(what) + " holds node number " + std::to_string(node) +
                        ", outside 1.." + std::to_string(step.node_limit));
  }
}

void write_node_row(OutputFile& out, const StepTables& step, std::int32_t node) {
  constexpr std::size_t row_width = 280;
  char row[row_width];
  const std::size_t i = static_cast<std::size_t>(node - 1);
  char* p = row;
  render_integer(p, 5, node);
  p += 5;
  auto field = [&p](double value) { p = render_separated_exponent(p, ',', 20, 8, value); };
  field(step.node_x[i]);
  field(step.node_y[i]);
  field(step.node_z[i]);
  *p++ = ',';
  for (std::size_t c = 0; c < 3; ++c) field(step.node_result[i * 4 + c]);
  *p++ = ',';
  for (std::size_t c = 0; c < 7; ++c) field(step.node_stress[i * 7 + c]);
  out.write_record(std::string_view(row, row_width));
}

void write_extract_header(OutputFile& out) {
  out.write_record("              node,x,y,z,displace,xx,yy,zz,stress,xx,yy,zz,xy,yz,zx,mises");
}

void write_block_end(OutputFile& out) {
  out.write_record(" ");
}

void write_block_title(OutputFile& out, std::string_view lead, std::int64_t first,
                       std::int64_t second) {
  char record[64];
  const std::size_t lead_size = lead.size() < 59 ? lead.size() : 59;
  lead.copy(record, lead_size);
  render_integer(record + lead_size, 2, first);
  record[lead_size + 2] = ',';
  render_integer(record + lead_size + 3, 2, second);
  out.write_record(std::string_view(record, lead_size + 5));
}

void order_by_selection(std::vector<std::int32_t>& list, std::span<const double> key) {
  const std::size_t length = list.size();
  for (std::size_t i = 0; i < length; ++i) {
    std::size_t chosen = i;
    for (std::size_t j = i + 1; j < length; ++j) {
      if (key[static_cast<std::size_t>(list[j] - 1)] <
          key[static_cast<std::size_t>(list[chosen] - 1)]) {
        chosen = j;
      }
    }
    std::swap(list[i], list[chosen]);
  }
}

}  // namespace meridian
