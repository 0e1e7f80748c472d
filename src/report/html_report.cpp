#include "report/html_report.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "records/files.hpp"
#include "records/shortest_numbers.hpp"
#include "report/exterior_faces.hpp"
#include "report/report_page.hpp"
#include "report/step_summary.hpp"

namespace meridian {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the page reads its arrays as little-endian");

constexpr std::string_view page_name = "report.html";
constexpr std::string_view summary_name = "summary.csv";

// 32-bit values per surface node and step: displacement (3), stress
// components (6), effective stress, temperature; each quantity a block of its
// own, nodes in surface order.
constexpr std::size_t step_values = 3 + 6 + 1 + 1;

// A JSON string. Besides quote, backslash and control characters, '<', '>'
// and '&' are escaped, so no text can close the page's script element, and
// bytes from 0x80 on are taken as Latin-1 (listing titles are not UTF-8).
void append_json_string(std::string& text, std::string_view value) {
  static constexpr char hex[] = "0123456789abcdef";
  text += '"';
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte >= 0x80 || byte == '<' || byte == '>' || byte == '&') {
      text += "\\u00";
      text += hex[byte >> 4];
      text += hex[byte & 15];
    } else {
      text += c;
    }
  }
  text += '"';
}

// Standard base64 (RFC 4648, with padding) of `size` bytes.
void append_base64(std::string& text, const void* data, std::size_t size) {
  static constexpr char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::size_t start = text.size();
  text.resize(start + (size + 2) / 3 * 4);
  char* out = text.data() + start;
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const std::uint32_t v = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 |
                            bytes[i + 2];
    *out++ = alphabet[v >> 18];
    *out++ = alphabet[(v >> 12) & 63];
    *out++ = alphabet[(v >> 6) & 63];
    *out++ = alphabet[v & 63];
  }
  if (i < size) {
    const bool two = i + 1 < size;
    const std::uint32_t v = std::uint32_t{bytes[i]} << 16 | (two ? std::uint32_t{bytes[i + 1]} << 8 : 0);
    *out++ = alphabet[v >> 18];
    *out++ = alphabet[(v >> 12) & 63];
    *out++ = two ? alphabet[(v >> 6) & 63] : '=';
    *out++ = '=';
  }
}

template <class T>
void append_array(std::string& text, std::string_view key, const std::vector<T>& values) {
  static_assert(sizeof(T) == 4);
  text += '"';
  text += key;
  text += "\":\"";
  append_base64(text, values.data(), values.size() * sizeof(T));
  text += '"';
}

void append_count(std::string& text, std::string_view key, std::int64_t value) {
  text += '"';
  text += key;
  text += "\":";
  append_shortest(text, value);
}

std::int64_t material_count(const ModelView& view) {
  const std::set<std::int32_t> materials(view.element_material.begin(),
                                         view.element_material.end());
  return static_cast<std::int64_t>(materials.size());
}

// summary.csv with its header, for a report with results.
std::optional<OutputFile> create_summary(const StepResults* results, PlacedFiles* placed) {
  if (results == nullptr) return std::nullopt;
  std::optional<OutputFile> summary(OutputFile::create_replacing(std::string(summary_name), placed));
  summary->write_record(summary_header());
  return summary;
}

}  // namespace

struct RunReport::State {
  const StepResults* results;
  // The summary is created first, as a step's stress file is before its extracts.
  std::optional<OutputFile> summary;
  OutputFile page;
  std::string_view tail;  // the page after the data
  std::vector<std::string> rows;
  std::vector<std::int32_t> surface_nodes;  // node numbers, ascending
  std::int32_t steps = 0;
  std::string text;  // the data of the step being written

  State(const StepResults* r, PlacedFiles* placed)
      : results(r),
        summary(create_summary(r, placed)),
        page(OutputFile::create_replacing(std::string(page_name), placed)) {}
};

RunReport::RunReport(const ModelView& view, const ReportHeading& heading,
                     const StepResults* results, PlacedFiles* placed) {
  const std::string_view whole = report_page();
  const std::size_t marker = whole.find(report_data_marker);
  if (marker == std::string_view::npos) fail_file(page_name, "the page template has no data marker");
  state_ = std::make_unique<State>(results, placed);
  State& s = *state_;
  s.tail = whole.substr(marker + report_data_marker.size());

  const std::size_t node_limit =
      std::min({view.node_x.size(), view.node_y.size(), view.node_z.size()});
  const std::vector<ExteriorFace> faces = exterior_faces(
      view.element_nodes, view.zone_element_counts, static_cast<std::int32_t>(node_limit));
  // The surface: the nodes of the exterior faces and of the springs.
  std::vector<std::int32_t> local(node_limit + 1, -1);
  const auto use = [&local, node_limit](std::int32_t node) {
    if (node >= 1 && static_cast<std::size_t>(node) <= node_limit) local[static_cast<std::size_t>(node)] = 0;
  };
  for (const ExteriorFace& face : faces) {
    for (const std::int32_t node : face.corners) use(node);
  }
  const std::size_t springs = std::min(view.spring_node1.size(), view.spring_node2.size());
  std::vector<std::uint32_t> spring_ends;
  for (std::size_t p = 0; p < springs; ++p) {
    use(view.spring_node1[p]);
    use(view.spring_node2[p]);
  }
  std::vector<float> xyz;
  for (std::size_t node = 1; node <= node_limit; ++node) {
    if (local[node] < 0) continue;
    local[node] = static_cast<std::int32_t>(s.surface_nodes.size());
    s.surface_nodes.push_back(static_cast<std::int32_t>(node));
    xyz.push_back(static_cast<float>(view.node_x[node - 1]));
    xyz.push_back(static_cast<float>(view.node_y[node - 1]));
    xyz.push_back(static_cast<float>(view.node_z[node - 1]));
  }
  for (std::size_t p = 0; p < springs; ++p) {
    const std::int32_t a = view.spring_node1[p];
    const std::int32_t b = view.spring_node2[p];
    if (a < 1 || b < 1 || static_cast<std::size_t>(a) > node_limit ||
        static_cast<std::size_t>(b) > node_limit) {
      continue;
    }
    spring_ends.push_back(static_cast<std::uint32_t>(local[static_cast<std::size_t>(a)]));
    spring_ends.push_back(static_cast<std::uint32_t>(local[static_cast<std::size_t>(b)]));
  }
  std::vector<std::uint32_t> face_corners;
  std::vector<std::int32_t> face_zones;
  face_corners.reserve(faces.size() * 4);
  for (const ExteriorFace& face : faces) {
    for (const std::int32_t node : face.corners) {
      face_corners.push_back(static_cast<std::uint32_t>(local[static_cast<std::size_t>(node)]));
    }
    face_zones.push_back(face.zone);
  }

  const std::int32_t step_count = results != nullptr ? std::max(results->step_count, 0) : 0;
  std::string& t = s.text;
  t = whole.substr(0, marker);
  t += "{\"title\":";
  append_json_string(t, heading.title);
  t += ",\"job\":";
  append_shortest(t, std::int64_t{heading.job});
  t += ",\"version\":";
  append_json_string(t, heading.version);
  t += ",\"counts\":{";
  append_count(t, "nodes", view.node_count);
  t += ',';
  append_count(t, "elements", static_cast<std::int64_t>(view.element_nodes.size()));
  t += ',';
  append_count(t, "zones", static_cast<std::int64_t>(view.zone_element_counts.size()));
  t += ',';
  append_count(t, "materials", material_count(view));
  t += ',';
  append_count(t, "interfaces", static_cast<std::int64_t>(view.interface_segments.size()));
  t += ',';
  append_count(t, "springs", static_cast<std::int64_t>(springs));
  t += ',';
  append_count(t, "load_cases", std::max(view.load_case_count, 0));
  t += ',';
  append_count(t, "steps", step_count);
  t += "},\"warp\":";
  append_shortest(t, results != nullptr ? results->deformation_scale * 100.0 : 100.0);
  t += ",\"surface\":{";
  append_array(t, "nodes", s.surface_nodes);
  t += ',';
  append_array(t, "xyz", xyz);
  t += ',';
  append_array(t, "faces", face_corners);
  t += ',';
  append_array(t, "face_zones", face_zones);
  t += ',';
  append_array(t, "springs", spring_ends);
  t += "},\"steps\":[";
  s.page.write_bytes(t);
}

RunReport::~RunReport() = default;

void RunReport::add_step(std::int32_t step, std::span<const double> node_result,
                         std::span<const double> node_stress, StressPeak peak) {
  State& s = *state_;
  const StepResults& results = *s.results;
  const std::int32_t node_count = std::max(results.node_count, 0);
  const std::size_t rows = static_cast<std::size_t>(node_count);
  if (node_result.size() < rows * 4 || node_stress.size() < rows * 7) {
    fail_file(summary_name, "a stored step holds fewer nodes than the model");
  }
  std::string row = summary_record(summarize_step(step, node_count, node_result, node_stress, peak));
  s.summary->write_record(row);
  s.rows.push_back(std::move(row));

  // The surface's values, quantity by quantity.
  const std::size_t n = s.surface_nodes.size();
  std::vector<float> values(n * step_values, 0.0f);
  const std::size_t result_rows = node_result.size() / 4;
  const std::size_t stress_rows = node_stress.size() / 7;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t node = static_cast<std::size_t>(s.surface_nodes[i] - 1);
    if (node < result_rows) {
      for (std::size_t d = 0; d < 3; ++d) values[i * 3 + d] = static_cast<float>(node_result[node * 4 + d]);
      values[10 * n + i] = static_cast<float>(node_result[node * 4 + 3]);
    }
    if (node < stress_rows) {
      for (std::size_t c = 0; c < 6; ++c) {
        values[3 * n + i * 6 + c] = static_cast<float>(node_stress[node * 7 + c]);
      }
      values[9 * n + i] = static_cast<float>(node_stress[node * 7 + 6]);
    }
  }
  std::string& t = s.text;
  t.clear();
  if (s.steps > 0) t += ',';
  t += "{\"step\":";
  append_shortest(t, std::int64_t{step});
  t += ',';
  append_array(t, "values", values);
  t += '}';
  s.page.write_bytes(t);
  ++s.steps;
}

void RunReport::finish() {
  State& s = *state_;
  std::string& t = s.text;
  t = "],\"summary\":";
  if (s.summary) {
    t += "{\"header\":";
    append_json_string(t, summary_header());
    t += ",\"rows\":[";
    for (std::size_t r = 0; r < s.rows.size(); ++r) {
      if (r > 0) t += ',';
      append_json_string(t, s.rows[r]);
    }
    t += "]}";
  } else {
    t += "null";
  }
  t += '}';
  t += s.tail;
  s.page.write_bytes(t);
  if (s.summary) s.summary->close();
  s.page.close();
}

}  // namespace meridian
