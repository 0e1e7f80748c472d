#include "views/model_view.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "files/output_file.hpp"
#include "model/file_names.hpp"
#include "views/tecplot_records.hpp"

namespace meridian {
namespace {

constexpr std::string_view model_file_name = "model_load.dat";

// Flags of a direction code as bits: 1 X, 2 Y, 4 Z. Codes outside 0..7 set none.
std::uint8_t direction_flags(std::int32_t code) {
  static constexpr std::uint8_t table[8] = {0, 1, 2, 4, 1 | 2, 2 | 4, 1 | 4, 1 | 2 | 4};
  return (code >= 0 && code <= 7) ? table[code] : 0;
}

// Nodes rendered per chunk.
constexpr std::int32_t chunk_nodes = 4096;

void check_span(std::size_t size, std::int64_t needed, std::string_view what) {
  if (needed > 0 && size < static_cast<std::uint64_t>(needed)) {
    fail_file(model_file_name, std::string(what) + " holds fewer rows than the model needs");
  }
}

// Renders the node records of model_load.dat:
// (E20.13,2(1X,E20.13),3(1X,I1),3(1X,I1),m(1X,E20.13)) with m = 3n+1.
class LoadNodeRenderer {
 public:
  LoadNodeRenderer(const ModelView& view, std::int32_t load_cases)
      : view_(view), load_columns_(3 * static_cast<std::size_t>(load_cases)) {
    // Spring flags as unions, one pass over the springs.
    const std::int32_t node_count = std::max(view.node_count, 0);
    spring_flags_.assign(static_cast<std::size_t>(node_count), 0);
    const std::size_t springs = std::min(
        {view.spring_node1.size(), view.spring_node2.size(), view.spring_direction.size()});
    for (std::size_t p = 0; p < springs; ++p) {
      const std::uint8_t flags = direction_flags(view.spring_direction[p]);
      for (const std::int32_t node : {view.spring_node1[p], view.spring_node2[p]}) {
        if (node >= 1 && node <= node_count) spring_flags_[node - 1] |= flags;
      }
    }
  }

  std::size_t record_size() const { return 20 + 42 + 12 + (load_columns_ + 1) * 21 + 2; }

  // Appends the records of nodes first..last (1-based, inclusive).
  void render(std::int32_t first, std::int32_t last, std::string& out) const {
    const std::size_t size = record_size();
    std::size_t at = out.size();
    out.resize(at + size * static_cast<std::size_t>(last - first + 1));
    char* p = out.data() + at;
    for (std::int32_t node = first; node <= last; ++node) {
      const std::size_t i = static_cast<std::size_t>(node - 1);
      render_exponent(p, 20, 13, view_.node_x[i]);
      p += 20;
      p = field(p, view_.node_y[i]);
      p = field(p, view_.node_z[i]);
      p = flags(p, direction_flags(view_.node_constraint[i]));
      p = flags(p, spring_flags_[i]);
      const double* loads = view_.nodal_loads.data() + i * load_columns_;
      for (std::size_t c = 0; c < load_columns_; ++c) p = field(p, loads[c]);
      p = field(p, view_.node_temperature[i]);
      *p++ = '\r';
      *p++ = '\n';
    }
  }

 private:
  static char* field(char* p, double value) { return render_separated_exponent(p, ' ', 20, 13, value); }
  static char* flags(char* p, std::uint8_t bits) {
    for (int axis = 0; axis < 3; ++axis) {
      p[0] = ' ';
      p[1] = (bits >> axis) & 1 ? '1' : '0';
      p += 2;
    }
    return p;
  }

  const ModelView& view_;
  std::size_t load_columns_;
  std::vector<std::uint8_t> spring_flags_;
};

// (A6,I2,A10,I2,A10,I2,A3): "Load_ k X","Load_ k Y","Load_ k Z"
std::string load_name_record(std::int32_t k) {
  std::string record = "\"Load_";
  append_integer(record, 2, k);
  record += " X\",\"Load_";
  append_integer(record, 2, k);
  record += " Y\",\"Load_";
  append_integer(record, 2, k);
  record += " Z\"";
  return record;
}

void write_load_file(const ModelView& view, const ResultNames& names) {
  const std::int32_t node_count = std::max(view.node_count, 0);
  const std::int32_t load_cases = std::max(view.load_case_count, 0);
  check_span(view.node_x.size(), node_count, "node_x");
  check_span(view.node_y.size(), node_count, "node_y");
  check_span(view.node_z.size(), node_count, "node_z");
  check_span(view.node_temperature.size(), node_count, "node_temperature");
  check_span(view.node_constraint.size(), node_count, "node_constraint");
  check_span(view.nodal_loads.size(), std::int64_t{node_count} * 3 * load_cases, "nodal_loads");
  BrickZones zones{model_file_name, view.node_count, 0, view.zone_element_counts,
                   view.element_nodes};
  check_brick_zones(zones);

  OutputFile out = OutputFile::create_replacing(std::string(model_file_name), names.placed);
  out.write_record("TITLE=\"Model\"");
  out.write_record("VARIABLES=\"X\",\"Y\",\"Z\",\"Constrain X\",\"Constrain Y\",\"Constrain Z\"");
  out.write_record("\"Spring X\",\"Spring Y\",\"Spring Z\"");
  for (std::int32_t k = 1; k <= load_cases; ++k) out.write_record(load_name_record(k));
  out.write_record("\"Temperature\"");

  const LoadNodeRenderer renderer(view, load_cases);
  zones.node_record_bytes = renderer.record_size();
  std::string chunk;
  const RenderNodeRecords nodes = [&renderer, &chunk, node_count](const TakeBytes& sink) {
    for (std::int32_t first = 1; first <= node_count; first += chunk_nodes) {
      chunk.clear();
      renderer.render(first, std::min(node_count, first + chunk_nodes - 1), chunk);
      sink(chunk);
    }
  };
  std::string all_nodes;
  write_brick_zones(out, zones, nodes, nullptr, all_nodes, chunk);
  out.close();
}

// Node records (E20.13,2(1X,E20.13)) of every interface file: rendered once.
std::string interface_node_records(const ModelView& view, std::int32_t node_count) {
  std::string records(static_cast<std::size_t>(node_count) * 64, ' ');
  char* p = records.data();
  for (std::int32_t i = 0; i < node_count; ++i) {
    render_exponent(p, 20, 13, view.node_x[i]);
    render_exponent(p + 21, 20, 13, view.node_y[i]);
    render_exponent(p + 42, 20, 13, view.node_z[i]);
    p[62] = '\r';
    p[63] = '\n';
    p += 64;
  }
  return records;
}

void write_interface_files(const ModelView& view, const ResultNames& names) {
  if (view.interface_segments.empty()) return;
  const std::int32_t node_count = std::max(view.node_count, 0);
  const std::string nodes = interface_node_records(view, node_count);
  static constexpr char side_letters[2] = {'m', 's'};
  std::string segments;
  for (std::size_t i = 0; i < view.interface_segments.size(); ++i) {
    const std::string suffix = step_suffix(static_cast<std::int32_t>(i + 1), names.steps);
    for (int side = 0; side < 2; ++side) {
      const std::vector<Segment>& list = view.interface_segments[i][side];
      const char letter = side_letters[side];
      // Built by appending: GCC 12 misreads operator+ chains on short strings
      // as overflows when optimising across files.
      std::string name = "interface_";
      name += letter;
      name += '_';
      name += suffix;
      name += ".dat";
      OutputFile out = OutputFile::create_replacing(name, names.placed);
      std::string title = "TITLE=\"Interface_";
      title += letter;
      title += '_';
      title += suffix;
      title += '"';
      out.write_record(title);
      out.write_record("VARIABLES=\"X\",\"Y\",\"Z\"");
      out.write_record(zone_size_record("ZONE N=", view.node_count,
                                        static_cast<std::int64_t>(list.size()),
                                        ",F=FEPOINT,ET=QUADRILATERAL"));
      out.write_bytes(nodes);
      segments.clear();
      for (const Segment& segment : list) {
        append_element_record(segments, segment.data(), 4);
        if (segments.size() >= (1u << 16)) {
          out.write_bytes(segments);
          segments.clear();
        }
      }
      out.write_bytes(segments);
      out.close();
    }
  }
}

}  // namespace

void write_model_view(const ModelView& view, const ViewOptions& options) {
  write_load_file(view, options.names);
  if (options.interface_zones) write_interface_files(view, options.names);
}

}  // namespace meridian
