#include "report/run_report.hpp"

#include <algorithm>
#include <bit>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "records/shortest_numbers.hpp"
#include "report/exterior_faces.hpp"
#include "report/report_page.hpp"
#include "report/step_encoding.hpp"

namespace meridian {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the page reads its arrays as little-endian");

constexpr std::string_view page_name = "report.html";

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

// The integration-point peak of each surface element in one step, as 16-bit
// fractions of their range: ,"elo":low,"ehi":high,"eq":"<base64>" (nothing
// when the step keeps no element peaks).
void append_element_peaks(std::string& text, const std::vector<std::int32_t>& elements,
                          std::span<const double> element_peaks) {
  if (elements.empty() || element_peaks.empty()) return;
  std::vector<double> values(elements.size(), 0.0);
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const auto row = static_cast<std::size_t>(elements[i] - 1);
    if (row < element_peaks.size()) values[i] = element_peaks[row];
  }
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const ChannelRange range{*low, *high};
  std::vector<std::uint16_t> codes(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) codes[i] = encode_value(values[i], range);
  text += ",\"elo\":";
  append_shortest(text, range.low);
  text += ",\"ehi\":";
  append_shortest(text, range.high);
  text += ",\"eq\":\"";
  append_base64(text, codes.data(), codes.size() * sizeof(std::uint16_t));
  text += '"';
}


}  // namespace

// The steps of a page written whole again and again: a temporary file of the
// program's own.
class StepSpool {
 public:
  StepSpool() : file_(platform::anonymous_temporary_file()) {
    if (file_ == nullptr) fail_file(page_name, "cannot create a temporary file: " + platform::last_error());
  }
  ~StepSpool() { std::fclose(file_); }
  StepSpool(const StepSpool&) = delete;
  StepSpool& operator=(const StepSpool&) = delete;

  void append(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed("write");
  }
  // Everything appended so far, to `out`.
  void copy_to(OutputFile& out) {
    if (std::fflush(file_) != 0 || !platform::seek(file_, 0)) failed("write");
    std::string block(std::size_t{1} << 20, '\0');
    for (;;) {
      const std::size_t got = std::fread(block.data(), 1, block.size(), file_);
      out.write_bytes(std::string_view(block.data(), got));
      if (got < block.size()) break;
    }
    if (std::ferror(file_) != 0) failed("read");
    if (!platform::seek(file_, 0, true)) failed("write");
  }

 private:
  [[noreturn]] static void failed(std::string_view what) {
    fail_file(page_name, "cannot " + std::string(what) + " the temporary file of its steps: " +
                             platform::last_error());
  }
  std::FILE* file_;
};

struct RunReport::State {
  const StepResults* results;
  PlacedFiles* placed;
  // The tables of summary.csv and history.csv, which the page carries whole
  // (each null without its file).
  const TableText* summary = nullptr;
  const TableText* history = nullptr;
  // The page as the steps come; with snapshots, the page's text before its
  // steps and the steps themselves are kept instead.
  std::optional<OutputFile> page;
  std::string head;
  std::optional<StepSpool> spool;
  std::string_view tail;  // the page after the data
  std::vector<std::int32_t> surface_nodes;  // node numbers, ascending
  // The elements of the exterior faces, ascending: their integration-point
  // peaks go with every step.
  std::vector<std::int32_t> surface_elements;
  std::int32_t steps = 0;   // steps added
  std::int32_t blocks = 0;  // step blocks written to the page (or the spool)

  // The 3D view's steps within the page budget: every step, or (limited)
  // the planned ones, evenly spaced from the first to the last announced,
  // and, held back to the end, the step of the highest effective stress so
  // far and the latest step when they are not planned.
  double budget_mb = 0.0;
  bool limited = false;
  std::vector<std::int32_t> planned;  // ascending
  struct Held {
    std::int32_t step = 0;
    std::string block;  // empty: in the page already
  };
  Held peak_step, last_step;
  double peak_value = 0.0;

  State(const StepResults* r, PlacedFiles* p, bool snapshots, const TableText* summary_text,
        const TableText* history_text)
      : results(r), placed(p), summary(summary_text), history(history_text) {
    if (snapshots) {
      spool.emplace();
    } else {
      page.emplace(OutputFile::create_replacing(std::string(page_name), p));
    }
  }

  // Plans the 3D view's steps: every step when `announced` of them fit the
  // budget besides the page's other `fixed` bytes.
  void plan_steps(std::int32_t announced, std::size_t fixed, std::size_t per_step);
  // Takes a step's block (`value`: its highest effective stress).
  void keep_step(std::int32_t step, double value, std::string block);
  void emit(std::string_view block);
  // The page's data after the steps: the held steps, the summary, which
  // steps the view holds when not all, and, when given, how far the analysis
  // had come.
  std::string data_end(const std::optional<AnalysisProgress>& progress) const;
  // The whole page, from the head and the spooled steps.
  void write_page(const std::optional<AnalysisProgress>& progress);
};

void RunReport::State::plan_steps(std::int32_t announced, std::size_t fixed, std::size_t per_step) {
  const double budget = budget_mb * 1e6;
  const double room = budget - static_cast<double>(fixed);
  const double fit = room > 0.0 ? std::floor(room / static_cast<double>(per_step)) : 0.0;
  if (announced <= 0 || fit >= announced) return;
  limited = true;
  // The first, the last and the peak at least, even past the budget.
  const std::int32_t kept = std::max<std::int32_t>(3, static_cast<std::int32_t>(fit));
  const std::int32_t spaced = kept - 1;  // a place stays for the peak
  for (std::int32_t j = 0; j < spaced; ++j) {
    const std::int32_t step =
        1 + static_cast<std::int32_t>(std::llround(static_cast<double>(j) * (announced - 1) / (spaced - 1)));
    if (planned.empty() || planned.back() != step) planned.push_back(step);
  }
}

void RunReport::State::emit(std::string_view block) {
  std::string_view comma = blocks > 0 ? "," : "";
  if (page) {
    page->write_bytes(comma);
    page->write_bytes(block);
  } else {
    spool->append(comma);
    spool->append(block);
  }
  ++blocks;
}

void RunReport::State::keep_step(std::int32_t step, double value, std::string block) {
  const bool new_peak = steps == 0 || value > peak_value;
  ++steps;
  if (new_peak) peak_value = value;
  if (!limited || std::binary_search(planned.begin(), planned.end(), step)) {
    emit(block);
    if (new_peak) peak_step = {step, {}};
    last_step = {step, {}};
    return;
  }
  if (new_peak) {
    peak_step = {step, std::move(block)};
    last_step = {step, {}};
  } else {
    last_step = {step, std::move(block)};
  }
}

std::string RunReport::State::data_end(const std::optional<AnalysisProgress>& progress) const {
  std::string t;
  std::int32_t kept = blocks;
  for (const Held* held : {&peak_step, &last_step}) {
    if (held->block.empty() || (held == &last_step && last_step.step == peak_step.step)) continue;
    if (kept > 0) t += ',';
    t += held->block;
    ++kept;
  }
  t += "],\"summary\":";
  const auto append_table = [&t](std::string_view header, const std::vector<std::string>& lines) {
    t += "{\"header\":";
    append_json_string(t, header);
    t += ",\"rows\":[";
    for (std::size_t r = 0; r < lines.size(); ++r) {
      if (r > 0) t += ',';
      append_json_string(t, lines[r]);
    }
    t += "]}";
  };
  if (summary != nullptr) {
    append_table(summary->header, summary->rows);
  } else {
    t += "null";
  }
  if (history != nullptr) {
    t += ",\"history\":";
    append_table(history->header, history->rows);
  }
  if (kept < steps) {
    t += ",\"view_steps\":{";
    append_count(t, "kept", kept);
    t += ',';
    append_count(t, "of", steps);
    t += ",\"budget_mb\":";
    append_shortest(t, budget_mb);
    t += '}';
  }
  if (progress) {
    t += ",\"analysis\":{";
    append_count(t, "steps", progress->steps);
    t += ',';
    append_count(t, "announced", progress->announced);
    t += ",\"running\":";
    t += progress->running ? "true" : "false";
    if (progress->unreadable) t += ",\"not_numbers\":true";
    t += '}';
  }
  t += '}';
  t += tail;
  return t;
}

void RunReport::State::write_page(const std::optional<AnalysisProgress>& progress) {
  OutputFile out = OutputFile::create_replacing(std::string(page_name), placed);
  out.write_bytes(head);
  spool->copy_to(out);
  out.write_bytes(data_end(progress));
  out.close();
}

RunReport::RunReport(const ModelView& view, const ReportHeading& heading,
                     const StepResults* results, PlacedFiles* placed, bool snapshots,
                     double budget_mb, const TableText* summary, const TableText* history) {
  const std::string_view whole = report_page();
  const std::size_t marker = whole.find(report_data_marker);
  if (marker == std::string_view::npos) fail_file(page_name, "the page template has no data marker");
  state_ = std::make_unique<State>(results, placed, snapshots, summary, history);
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
    s.surface_elements.push_back(face.element);
  }
  std::sort(s.surface_elements.begin(), s.surface_elements.end());
  s.surface_elements.erase(std::unique(s.surface_elements.begin(), s.surface_elements.end()),
                           s.surface_elements.end());
  std::vector<std::uint32_t> face_elements;
  face_elements.reserve(faces.size());
  for (const ExteriorFace& face : faces) {
    const auto at = std::lower_bound(s.surface_elements.begin(), s.surface_elements.end(), face.element);
    face_elements.push_back(static_cast<std::uint32_t>(at - s.surface_elements.begin()));
  }

  const std::int32_t step_count = results != nullptr ? std::max(results->step_count, 0) : 0;
  std::string t;
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
  append_array(t, "elements", s.surface_elements);
  t += ',';
  append_array(t, "face_elements", face_elements);
  t += ',';
  append_array(t, "springs", spring_ends);
  t += "},\"steps\":[";
  // What a step adds to the page: its 16-bit values in base64 (of the
  // surface's nodes and elements), its ranges and peaks, its summary row;
  // the rest is the page's text around them.
  const std::size_t step_bytes = (s.surface_nodes.size() * step_values * 2 + 2) / 3 * 4 +
                                 (s.surface_elements.size() * 2 + 2) / 3 * 4;
  constexpr std::size_t step_overhead = 3000;
  constexpr std::size_t row_bytes = 256;
  s.budget_mb = budget_mb;
  s.plan_steps(step_count, t.size() + s.tail.size() + row_bytes * static_cast<std::size_t>(step_count),
               step_bytes + step_overhead);
  if (s.page) {
    s.page->write_bytes(t);
  } else {
    s.head = std::move(t);
  }
}

RunReport::~RunReport() = default;

void RunReport::add_step(std::int32_t step, const StepValues& step_data) {
  const std::span<const double> node_result = step_data.node_result;
  const std::span<const double> node_stress = step_data.node_stress;
  const StressPeak peak = step_data.peak;
  State& s = *state_;
  const StepResults& results = *s.results;
  // The surface's values, channel by channel, as 16-bit fractions of each
  // channel's range in this step.
  const std::size_t n = s.surface_nodes.size();
  std::vector<double> values(n * step_values, 0.0);
  const std::size_t result_rows = node_result.size() / 4;
  const std::size_t stress_rows = node_stress.size() / 7;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t node = static_cast<std::size_t>(s.surface_nodes[i] - 1);
    if (node < result_rows) {
      for (std::size_t d = 0; d < 3; ++d) values[i * 3 + d] = node_result[node * 4 + d];
      values[10 * n + i] = node_result[node * 4 + 3];
    }
    if (node < stress_rows) {
      for (std::size_t c = 0; c < 6; ++c) values[3 * n + i * 6 + c] = node_stress[node * 7 + c];
      values[9 * n + i] = node_stress[node * 7 + 6];
    }
  }
  // Channel c: its values and where they lie (interleaved displacement and
  // stress components, then one block each).
  const auto channel = [n](std::size_t c, std::size_t i) {
    if (c < 3) return 3 * i + c;
    if (c < 9) return 3 * n + 6 * i + (c - 3);
    return c * n + i;
  };
  // The ranges: the first three and the next six channels interleave, the
  // rest are blocks of their own; each is the range of its values.
  std::array<ChannelRange, step_values> ranges{};
  for (std::size_t c = 0; c < step_values; ++c) {
    if (n == 0) break;
    ranges[c] = {values[channel(c, 0)], values[channel(c, 0)]};
    for (std::size_t i = 1; i < n; ++i) {
      const double v = values[channel(c, i)];
      ranges[c].low = std::min(ranges[c].low, v);
      ranges[c].high = std::max(ranges[c].high, v);
    }
  }
  std::vector<std::uint16_t> codes(n * step_values);
  for (std::size_t c = 0; c < step_values; ++c) {
    for (std::size_t i = 0; i < n; ++i) codes[channel(c, i)] = encode_value(values[channel(c, i)], ranges[c]);
  }
  std::string t = "{\"step\":";
  append_shortest(t, std::int64_t{step});
  for (const auto& [key, high] : {std::pair{"lo", false}, std::pair{"hi", true}}) {
    t += ",\"";
    t += key;
    t += "\":[";
    for (std::size_t c = 0; c < step_values; ++c) {
      if (c > 0) t += ',';
      append_shortest(t, high ? ranges[c].high : ranges[c].low);
    }
    t += ']';
  }
  t += ",\"q\":\"";
  append_base64(t, codes.data(), codes.size() * sizeof(std::uint16_t));
  t += '"';
  append_element_peaks(t, s.surface_elements, step_data.element_peaks);
  t += ",\"peaks\":{";
  const std::array<PeakPlace, 10> peaks = step_peaks(results, node_result, node_stress, peak);
  for (std::size_t q = 0; q < peaks.size(); ++q) {
    if (q > 0) t += ',';
    t += '"';
    t += peak_names[q];
    t += "\":[";
    append_shortest(t, std::int64_t{peaks[q].number});
    for (const double v : {peaks[q].value, peaks[q].xyz[0], peaks[q].xyz[1], peaks[q].xyz[2],
                           peaks[q].displacement[0], peaks[q].displacement[1],
                           peaks[q].displacement[2]}) {
      t += ',';
      append_shortest(t, v);
    }
    t += ']';
  }
  t += "}}";
  s.keep_step(step, peaks[0].value, std::move(t));
}

void RunReport::snapshot(const AnalysisProgress& progress) { state_->write_page(progress); }

void RunReport::finish(const std::optional<AnalysisProgress>& progress) {
  State& s = *state_;
  if (s.page) {
    s.page->write_bytes(s.data_end(progress));
    s.page->close();
    return;
  }
  s.write_page(progress);
}

}  // namespace meridian
