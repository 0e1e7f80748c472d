// The forward read of the solver listing n3dhsp.
//
// The listing is a paginated report. Sections are found by comparing the first
// 17 characters of successive lines with fixed keys, within a bounded number of
// lines; then a fixed number of heading lines is skipped and fixed-column rows
// are read page by page, assuming the solver's page layout. The listing is read
// once, line by line; no text is kept beyond the current line.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "listing/element_printout.hpp"
#include "listing/element_zones.hpp"
#include "listing/listing_reader.hpp"
#include "model/nodal_stress.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "records/layout.hpp"
#include "files/input_file.hpp"
#include "files/memory_budget.hpp"

namespace meridian {

namespace {

constexpr std::size_t key_width = 17;

// A section key and the number of lines searched for it.
struct SectionKey {
  std::string_view text;  // 17 characters
  long bound;
  std::string_view what;  // section name for messages
};

constexpr SectionKey title_key{" *      The incom", 10000, "the title block"};
constexpr SectionKey control_card_2_key{" CONTROL CARD # 2", 10000, "control card 2"};
constexpr SectionKey control_card_3_key{" CONTROL CARD # 3", 10000, "control card 3"};
constexpr SectionKey control_card_4_key{" CONTROL CARD # 4", 10000, "control card 4"};
constexpr SectionKey control_card_7_key{" CONTROL CARD # 7", 10000, "control card 7"};
constexpr SectionKey nodal_points_key{" NODAL POINT data", 10000, "the nodal points"};
// Spelled as the solver prints it.
constexpr SectionKey hexahedra_key{" HEXAHEDERON ELEM", 10000, "the hexahedron elements"};
constexpr SectionKey discrete_key{" DISCRETE ELEMENT", 1000, "the discrete elements"};
constexpr SectionKey spring_type_key{" spring-damper ty", 1000, "the spring-damper types"};
constexpr SectionKey interfaces_key{" d e f i n i t i ", 10000, "the sliding interfaces"};
constexpr SectionKey loads_key{" CONCENTRATED NOD", 50000, "the concentrated nodal loads"};
constexpr SectionKey temperature_key{" TEMPERATURE PROF", 30000, "the temperature profile"};
constexpr SectionKey nodal_printout_key{" n o d a l   p r ", 30000, "a nodal printout"};
constexpr SectionKey element_printout_key{" e l e m e n t   ", 30000, "an element printout"};
constexpr SectionKey discrete_printout_key{" d i s c r e t e ", 1000, "a discrete printout"};

// Tables sized from the listing's counts are refused when they exceed the
// memory available (require_memory): such counts come from a damaged listing,
// and the run ends with a message instead of failing to allocate.
// The per-step results go to a temporary file; refuse absurd totals there too.
constexpr double max_step_file_bytes = 1024.0 * 1024 * 1024 * 1024;

// The first 17 characters of a line, blank-padded.
using KeyField = std::array<char, key_width>;

KeyField key_field(std::string_view line) {
  KeyField field;
  field.fill(' ');
  std::copy_n(line.begin(), std::min(line.size(), key_width), field.begin());
  return field;
}

// Whether two key fields are equal, compared in words (this runs for every
// element of every step).
bool same_key(const KeyField& a, const KeyField& b) {
  std::uint64_t a_words[2], b_words[2];
  std::memcpy(a_words, a.data(), sizeof a_words);
  std::memcpy(b_words, b.data(), sizeof b_words);
  static_assert(key_width == sizeof a_words + 1);
  return ((a_words[0] ^ b_words[0]) | (a_words[1] ^ b_words[1])) == 0 &&
         a[key_width - 1] == b[key_width - 1];
}

bool matches(std::string_view line, std::string_view key) {
  const KeyField field = key_field(line);
  return std::string_view(field.data(), key_width) == key;
}

// Columns [column, column + width) of a line; shorter lines read as blanks.
std::string_view columns(std::string_view line, int column, int width) {
  if (static_cast<std::size_t>(column) >= line.size()) return {};
  return line.substr(static_cast<std::size_t>(column), static_cast<std::size_t>(width));
}

inline std::int32_t integer_at(const InputFile& in, std::string_view line, int column, int width) {
  const std::string_view field = columns(line, column, width);
  std::int32_t value = 0;
  if (!parse_integer(field, value)) [[unlikely]]
    fail_conversion(in, "an integer", field, column, width);
  return value;
}

inline double real_at(const InputFile& in, std::string_view line, int column, int width,
                      int digits) {
  const std::string_view field = columns(line, column, width);
  double value = 0.0;
  if (!parse_real(field, digits, value)) [[unlikely]]
    fail_conversion(in, "a real", field, column, width);
  return value;
}

// A value of a time step: a real that is a finite number. An exponent too
// large for a double reads as infinity, which no result may hold.
inline double step_real_at(const InputFile& in, std::string_view line, int column, int width,
                           int digits) {
  const double value = real_at(in, line, column, width, digits);
  if (!std::isfinite(value)) [[unlikely]]
    fail_conversion(in, "a finite real", columns(line, column, width), column, width);
  return value;
}

// The title of a title line: the text before the trailing "page <n>", without
// the blanks around it.
std::string title_text(std::string_view line) {
  const auto trim_end = [&line](std::string_view characters) {
    const std::size_t end = line.find_last_not_of(characters);
    line = line.substr(0, end == std::string_view::npos ? 0 : end + 1);
  };
  trim_end(" ");
  const std::string_view whole = line;
  trim_end("0123456789");
  trim_end(" ");
  if (line.size() < whole.size() && line.ends_with("page")) {
    line.remove_suffix(4);
  } else {
    line = whole;  // no page number: a number ends the title itself
  }
  trim_end(" ");
  const std::size_t start = line.find_first_not_of(' ');
  return std::string(start == std::string_view::npos ? std::string_view() : line.substr(start));
}

// What the message of a listing that ends within its time steps adds: the
// steps before it are complete, and --partial writes them.
std::string complete_steps_text(std::int32_t complete) {
  if (complete <= 0) return "no step is complete (--partial writes the model files)";
  if (complete == 1) return "step 1 is complete (--partial writes it)";
  return "steps 1 to " + std::to_string(complete) + " are complete (--partial writes them)";
}

std::size_t rows_of(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string gib(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GiB", bytes / (1024.0 * 1024 * 1024));
  return text;
}

// A table size computed in double (exact for every size a count can give, up
// to 2^53), held at table_bytes_ceiling.
std::uint64_t memory_bytes(double bytes) {
  return bytes < static_cast<double>(table_bytes_ceiling) ? static_cast<std::uint64_t>(bytes)
                                                          : table_bytes_ceiling;
}

// Row layouts of the model sections (the per-step printouts, read far more
// often, are parsed column by column).
struct RowLayouts {
  Layout nodal_point{"(2I8,E17.4,2E20.4)"};
  Layout hexahedron{"(2I7,8I8)"};
  Layout spring{"(I13,3I7,E19.6)"};
  Layout segment{"(I7,4I9)"};
  Layout load{"(I9,I11,I9,E17.4)"};
  Layout temperature{"(I9,2E18.7)"};
  Layout discrete_printout{"(I11,I8,E17.5,E16.5,E17.5)"};
};

class ListingReader {
 public:
  ListingReader(InputFile& in, bool second_cpu, StepSink* sink, const ListingReading& reading)
      : in_(in), second_cpu_(second_cpu), sink_(sink), reading_(reading) {}

  ListingModel read();

 private:
  // Reads lines until one begins with the key or the bound is used up; the
  // matching line is consumed. End of file ends the run.
  bool search(const SectionKey& key) {
    for (long i = 0; i < key.bound; ++i) {
      if (matches(in_.require_line(key.what), key.text)) return true;
    }
    return false;
  }
  // Skips lines; afterwards line_buffer_ holds the last one's first 17
  // characters.
  void skip(int count, std::string_view what) {
    if (count <= 0) return;
    for (int i = 1; i < count; ++i) in_.require_line(what);
    line_buffer_ = key_field(in_.require_line(what));
  }
  std::string_view line(std::string_view what) { return in_.require_line(what); }
  std::int32_t count_line(int label_width, int width, std::string_view what) {
    return integer_at(in_, line(what), label_width, width);
  }
  // A table of `rows` rows in pages of `page_size`: heading lines before every
  // page, trailing lines after every full page. With no row the heading lines
  // are still skipped.
  template <typename Row>
  void paged(std::int32_t rows, std::int32_t page_size, int heading, int trailing,
             std::string_view what, const Row& read_row) {
    const std::size_t total = rows_of(rows);
    const std::size_t size = static_cast<std::size_t>(page_size);
    const std::size_t full_pages = total > 0 ? (total - 1) / size : 0;
    std::size_t row = 0;
    for (std::size_t page = 0; page < full_pages; ++page) {
      skip(heading, what);
      for (std::size_t i = 0; i < size; ++i) read_row(row++, line(what));
      skip(trailing, what);
    }
    skip(heading, what);
    while (row < total) read_row(row++, line(what));
  }
  template <typename... Targets>
  void parse(std::string_view record, const Layout& layout, Targets*... targets) {
    const std::array<FieldTarget, sizeof...(Targets)> list{FieldTarget(targets)...};
    parse_record(in_, record, layout, list);
  }
  void check_range(std::int32_t value, std::int32_t low, std::int32_t high, const char* what,
                   const char* range) {
    if (value < low || value > high) [[unlikely]] {
      in_.fail_here(std::string(what) + " " + std::to_string(value) + " is outside " + range +
                    " (1.." + std::to_string(high) + ")");
    }
  }
  void check_node(std::int32_t node, const char* what) {
    check_range(node, 1, model_.node_capacity, what, "the nodal points");
  }
  // A value of a time step read through a layout is a finite number.
  void require_finite(std::string_view record, int column, int width, double value) {
    if (!std::isfinite(value)) [[unlikely]]
      fail_conversion(in_, "a finite real", columns(record, column, width), column, width);
  }
  // The averaged stresses of the step just read are finite numbers (values
  // near the largest double may overflow when extrapolated).
  void require_finite_stresses() {
    const std::vector<double>& stress = step_.node_stress;
    // Not finite: every exponent bit set. Tested in integers, which the
    // compiler runs over several values at once.
    constexpr std::uint64_t exponent_bits = 0x7ff0000000000000;
    std::uint64_t odd = 0;
    for (const double v : stress) odd |= (std::bit_cast<std::uint64_t>(v) & exponent_bits) == exponent_bits;
    if (odd == 0) [[likely]] return;
    const auto bad = std::find_if(stress.begin(), stress.end(), [](double v) { return !std::isfinite(v); });
    fail_field(in_.name(), in_.line_number(),
               "the stresses averaged at node " + std::to_string((bad - stress.begin()) / 7 + 1) +
                   " are not finite reals (an overflow of values near the largest real)");
  }

  void read_control_cards();
  void create_model_tables();
  void read_nodal_points();
  void read_hexahedra();
  void read_discrete_elements();
  void read_interfaces();
  void read_loads();
  void read_temperatures();
  void read_steps();
  void read_step(std::int32_t step, NodalStressAccumulator& accumulator);
  void read_element_printout(NodalStressAccumulator& accumulator);
  // Adds a parsed batch of element printout rows to the sums, or ends the run
  // at its first row that did not convert.
  void take_element_printout(const ElementPrintoutBatch& batch, NodalStressAccumulator& accumulator);

  InputFile& in_;
  bool second_cpu_;
  StepSink* sink_;  // takes the steps when it chose to; null: they are stored
  RowLayouts layouts_;
  ListingModel model_;
  KeyField line_buffer_{};
  KeyField page_title_{};
  bool page_title_set_ = false;  // until set, the title matches no line
  // Parses element printout rows on a second CPU, once there is a printout.
  std::unique_ptr<ElementPrintoutParser> element_printout_;
  // A row that did not convert was reported while later lines had been read:
  // the listing does not end at it.
  bool failed_before_end_ = false;
  const ListingReading& reading_;
  // The values of the step being read. The model's springs take its
  // discrete printout once the step is complete, so a step cut short
  // changes nothing.
  StepValues step_;
};

void ListingReader::read_control_cards() {
  if (search(title_key)) {
    skip(2, title_key.what);
    const std::string_view title_line = line("the title line");
    page_title_ = key_field(title_line);
    page_title_set_ = true;
    model_.title = title_text(title_line);
  }
  if (search(control_card_2_key)) {
    const auto what = control_card_2_key.what;
    skip(7, what);
    model_.node_capacity = count_line(60, 5, what);
    skip(1, what);
    model_.element_capacity = count_line(60, 5, what);
    skip(7, what);
    model_.interface_count = count_line(60, 5, what);
    skip(3, what);
    model_.discrete_flag = count_line(60, 5, what);
  }
  if (search(control_card_3_key)) {
    skip(3, control_card_3_key.what);
    model_.step_count = count_line(60, 5, control_card_3_key.what);
  }
  model_.announced_step_count = model_.step_count;
  if (search(control_card_4_key)) {
    const auto what = control_card_4_key.what;
    skip(3, what);
    model_.load_case_count = count_line(60, 5, what);
    skip(3, what);
    model_.point_load_count = count_line(60, 5, what);
  }
}

void ListingReader::create_model_tables() {
  ListingModel& m = model_;
  const double nodes = static_cast<double>(rows_of(m.node_capacity));
  const double elements = static_cast<double>(rows_of(m.element_capacity));
  const double interfaces = static_cast<double>(rows_of(m.interface_count));
  const double load_columns = 3.0 * static_cast<double>(rows_of(m.load_case_count));
  // Per node: constraint, coordinates, loads, temperature, one step's nodal
  // printout and stresses, the stress sums and counts, the zone index, and its
  // record of model_load.dat (rendered once for all zones: 21 columns per value
  // and 97 more).
  const double per_node = 4 + 3 * 8 + load_columns * 8 + 8 + 4 * 8 + 7 * 8 + 7 * 8 + 4 + 4 + 1 +
                          97 + load_columns * 21;
  // Per element: corners, material, zone, zone scratch, and the kept
  // integration-point values of a step being read and one being written.
  const KeptElements& kept = reading_.kept;
  const double per_element = 8 * 4 + 4 + 4 + 3 * 4 + (kept.every ? 2 * element_point_values * 8 : 0) +
                             (kept.peaks ? 2 * 8 : 0);
  const double bytes = nodes * per_node + elements * per_element +
                       interfaces * static_cast<double>(sizeof(InterfaceSides));
  require_memory(in_.name(), in_.line_number(),
                 "node_capacity " + std::to_string(m.node_capacity) + ", element_capacity " +
                     std::to_string(m.element_capacity) + ", interface_count " +
                     std::to_string(m.interface_count) + " and load_case_count " +
                     std::to_string(m.load_case_count),
                 memory_bytes(bytes));
  const double kept_values = static_cast<double>(kept.count(m.element_capacity) * element_point_values) +
                             (kept.peaks ? elements : 0.0);
  const double step_bytes = (nodes * 11 + kept_values) * 8 * static_cast<double>(rows_of(m.step_count));
  if (step_bytes > max_step_file_bytes) {
    in_.fail_here("the results of step_count " + std::to_string(m.step_count) +
                  " time steps of node_capacity " + std::to_string(m.node_capacity) +
                  " nodes would need " + gib(step_bytes) + " of temporary storage, more than " +
                  gib(max_step_file_bytes));
  }

  const std::size_t node_rows = rows_of(m.node_capacity);
  const std::size_t element_rows = rows_of(m.element_capacity);
  m.element_nodes.assign(element_rows, ElementCorners{});
  m.node_constraint.assign(node_rows, 0);
  m.node_x.assign(node_rows, 0.0);
  m.node_y.assign(node_rows, 0.0);
  m.node_z.assign(node_rows, 0.0);
  m.interface_segments.assign(rows_of(m.interface_count), InterfaceSides{});
  m.element_material.assign(element_rows, 0);
  m.nodal_loads.assign(node_rows * rows_of(m.load_case_count) * 3, 0.0);
  m.node_temperature.assign(node_rows, 0.0);
  m.steps = StepStore(m.node_capacity);
}

void ListingReader::read_nodal_points() {
  if (!search(nodal_points_key)) return;
  ListingModel& m = model_;
  paged(m.node_capacity, 50, 3, 6, nodal_points_key.what,
        [&](std::size_t i, std::string_view record) {
          std::int32_t number = 0;
          parse(record, layouts_.nodal_point, &number, &m.node_constraint[i], &m.node_x[i],
                &m.node_y[i], &m.node_z[i]);
        });
}

void ListingReader::read_hexahedra() {
  if (!search(hexahedra_key)) return;
  ListingModel& m = model_;
  paged(m.element_capacity, 50, 3, 6, hexahedra_key.what,
        [&](std::size_t i, std::string_view record) {
          std::int32_t number = 0;
          ElementCorners& c = m.element_nodes[i];
          parse(record, layouts_.hexahedron, &number, &m.element_material[i], &c[0], &c[1], &c[2],
                &c[3], &c[4], &c[5], &c[6], &c[7]);
          for (std::int32_t node : c) check_node(node, "node number");
        });
}

void ListingReader::read_discrete_elements() {
  ListingModel& m = model_;
  // A key not found within its bound does not skip this section: it is read
  // from the line after the last one searched.
  search(discrete_key);
  skip(1, discrete_key.what);
  m.spring_type_count = count_line(51, 7, discrete_key.what);
  skip(1, discrete_key.what);
  m.spring_count = count_line(51, 7, discrete_key.what);

  const std::size_t types = rows_of(m.spring_type_count);
  const std::size_t springs = rows_of(m.spring_count);
  const double bytes =
      static_cast<double>(types) * (4 + 8) + static_cast<double>(springs) * (4 * 4 + 8 * 4);
  require_memory(in_.name(), in_.line_number(),
                 "spring_type_count " + std::to_string(m.spring_type_count) + " and spring_count " +
                     std::to_string(m.spring_count),
                 memory_bytes(bytes));
  m.spring_node1.assign(springs, 0);
  m.spring_node2.assign(springs, 0);
  m.spring_type_direction.assign(types, 0);
  m.spring_direction.assign(springs, 0);
  m.spring_type_stiffness.assign(types, 0.0);
  m.spring_stiffness.assign(springs, 0.0);
  m.spring_force.assign(springs, 0.0);
  m.spring_deflection.assign(springs, 0.0);

  search(spring_type_key);
  for (std::size_t t = 0; t < types; ++t) {
    skip(2, spring_type_key.what);
    {
      const std::string_view record = line(spring_type_key.what);
      m.spring_type_stiffness[t] = real_at(in_, record, 41, 12, 4);
    }
    m.spring_type_direction[t] = count_line(41, 5, spring_type_key.what);
    skip(3, spring_type_key.what);
  }

  paged(m.spring_count, 50, 4, 1, "the discrete element connectivity",
        [&](std::size_t i, std::string_view record) {
          std::int32_t number = 0;
          std::int32_t type = 0;
          double scale = 0.0;
          parse(record, layouts_.spring, &number, &m.spring_node1[i], &m.spring_node2[i], &type,
                &scale);
          check_node(m.spring_node1[i], "spring node");
          check_node(m.spring_node2[i], "spring node");
          check_range(type, 1, m.spring_type_count, "spring type", "the spring-damper types");
          const auto t = static_cast<std::size_t>(type - 1);
          m.spring_direction[i] = m.spring_type_direction[t];
          m.spring_stiffness[i] = scale * m.spring_type_stiffness[t];
        });

  m.node_count = count_element_nodes(m.element_nodes, m.node_capacity);
}

void ListingReader::read_interfaces() {
  ListingModel& m = model_;
  if (!search(interfaces_key)) return;
  const auto what = interfaces_key.what;
  const std::int32_t segment_limit = std::max<std::int32_t>(m.element_capacity, 0);
  for (InterfaceSides& sides : m.interface_segments) {
    skip(2, what);
    // The slave count is printed first.
    const std::int32_t slave_count = count_line(46, 8, what);
    if (slave_count > segment_limit) {
      in_.fail_here("more slave segments (" + std::to_string(slave_count) +
                    ") than hexahedron elements (" + std::to_string(m.element_capacity) + ")");
    }
    const std::int32_t master_count = count_line(46, 8, what);
    if (master_count > segment_limit) {
      in_.fail_here("more master segments (" + std::to_string(master_count) +
                    ") than hexahedron elements (" + std::to_string(m.element_capacity) + ")");
    }
    skip(1, what);
    const std::array<std::int32_t, 2> counts{master_count, slave_count};
    for (std::size_t side = 0; side < 2; ++side) {
      skip(3, what);
      std::vector<Segment>& segments = sides[side];
      segments.assign(rows_of(counts[side]), Segment{});
      for (Segment& s : segments) {
        std::int32_t number = 0;
        parse(line(what), layouts_.segment, &number, &s[0], &s[1], &s[2], &s[3]);
        for (std::int32_t node : s) check_node(node, "segment node");
      }
    }
    skip(6, what);
  }
}

void ListingReader::read_loads() {
  ListingModel& m = model_;
  if (!search(loads_key)) return;
  skip(2, loads_key.what);
  const std::size_t columns_per_node = rows_of(m.load_case_count) * 3;
  for (std::size_t row = 0; row < rows_of(m.point_load_count); ++row) {
    std::int32_t node = 0, direction = 0, load_case = 0;
    double value = 0.0;
    parse(line(loads_key.what), layouts_.load, &node, &direction, &load_case, &value);
    check_node(node, "load node");
    check_range(direction, 1, 3, "load direction", "the directions");
    check_range(load_case, 1, m.load_case_count, "load case", "the load cases");
    // A later row for the same node, direction and load case replaces the
    // earlier value.
    m.nodal_loads[static_cast<std::size_t>(node - 1) * columns_per_node +
                  static_cast<std::size_t>(load_case - 1) * 3 +
                  static_cast<std::size_t>(direction - 1)] = value;
  }
}

void ListingReader::read_temperatures() {
  ListingModel& m = model_;
  if (!search(temperature_key)) return;
  paged(m.node_capacity, 50, 4, 6, temperature_key.what, [&](std::size_t, std::string_view record) {
    std::int32_t node = 0;
    double first = 0.0, second = 0.0;
    parse(record, layouts_.temperature, &node, &first, &second);
    // Rows carry their node number; it decides where the value goes.
    check_node(node, "temperature node");
    m.node_temperature[static_cast<std::size_t>(node - 1)] = first + second;
  });
}

// Element printout: per element a header line, 8 integration-point rows
// (I7, A11, 7E11.3) and a blank line. A page break shows as the title line in
// place of the next element's header; 9 lines then lead to that header.
//
// This thread reads the lines and copies each element's rows into a batch; the
// batches are parsed by the element row parser (on a second CPU when there is
// one) and added to the sums in element order. When a line cannot be read, the
// batch handed over before it is taken back first: a row of it that does not
// convert comes earlier in the listing.
void ListingReader::read_element_printout(NodalStressAccumulator& accumulator) {
  const auto what = element_printout_key.what;
  const ListingModel& m = model_;
  if (!element_printout_) {
    // A second thread pays for itself from a few thousand elements on.
    constexpr std::int32_t helper_elements = 4096;
    element_printout_ = std::make_unique<ElementPrintoutParser>(
        second_cpu_ && m.element_capacity >= helper_elements && platform::usable_cpus() >= 2);
  }
  ElementPrintoutParser& rows = *element_printout_;
  std::int32_t element = 1;
  rows.filling().clear(element);
  bool taking = false;  // a failing row of a batch taken back ends the run as it is
  try {
    skip(4, what);
    for (;;) {
      ElementPrintoutBatch& batch = rows.filling();
      for (int point = 0; point < 8; ++point) {
        const std::string_view row = line(what);
        batch.add_row(row, in_.line_number());
      }
      skip(2, what);
      ++element;
      const bool last = element > m.element_capacity;
      if (last || batch.element_count() == ElementPrintoutParser::batch_elements) {
        ElementPrintoutBatch* parsed = rows.hand_over();
        taking = true;
        if (parsed != nullptr) take_element_printout(*parsed, accumulator);
        taking = false;
        rows.filling().clear(element);
      }
      if (last) break;
      if (page_title_set_ && same_key(line_buffer_, page_title_)) skip(9, what);
    }
  } catch (const FatalError&) {
    if (taking) throw;
    // A line could not be read: the batch handed over before, and the rows
    // read before the line, come first in the listing.
    if (ElementPrintoutBatch* parsed = rows.finish()) take_element_printout(*parsed, accumulator);
    ElementPrintoutBatch& unfinished = rows.filling();
    if (!unfinished.row_line.empty()) {
      parse_element_printout(unfinished);
      if (unfinished.failure.line != 0) take_element_printout(unfinished, accumulator);
    }
    throw;
  }
  if (ElementPrintoutBatch* parsed = rows.finish()) take_element_printout(*parsed, accumulator);
}

void ListingReader::take_element_printout(const ElementPrintoutBatch& batch,
                                      NodalStressAccumulator& accumulator) {
  if (batch.failure.line != 0) [[unlikely]] {
    failed_before_end_ = batch.failure.line < in_.line_number();
    fail_field(in_.name(), batch.failure.line, batch.failure.what);
  }
  const ListingModel& m = model_;
  const KeptElements& kept = reading_.kept;
  StressPeak& peak = step_.peak;
  // With no hexahedron in the model the first element's rows are still read
  // (the solver layout always prints one) and discarded.
  const std::int32_t first = batch.first_element;
  const std::int32_t last = std::min<std::int32_t>(
      first + static_cast<std::int32_t>(batch.values.size()) - 1, m.element_capacity);
  for (std::int32_t element = first; element <= last; ++element) {
    const ElementPrintout& gauss = batch.values[static_cast<std::size_t>(element - first)];
    accumulator.add_element(m.element_nodes[static_cast<std::size_t>(element - 1)], gauss);
    // The element's largest effective stress, the first point's of a tie;
    // elements come in ascending order: a tie keeps the earlier element.
    double highest = gauss[0][6];
    for (const auto& point : gauss) highest = std::max(highest, point[6]);
    if (peak.element == 0 || highest > peak.value) peak = StressPeak{highest, element};
    if (kept.peaks) step_.element_peaks[static_cast<std::size_t>(element - 1)] = highest;
  }
  if (!kept.any() || last < first) return;
  static_assert(sizeof(ElementPrintout) == element_point_values * sizeof(double));
  double* const points = step_.element_points.data();
  if (kept.every) {
    std::memcpy(points + static_cast<std::size_t>(first - 1) * element_point_values,
                batch.values.data(), static_cast<std::size_t>(last - first + 1) * sizeof(ElementPrintout));
    return;
  }
  for (auto at = std::lower_bound(kept.listed.begin(), kept.listed.end(), first);
       at != kept.listed.end() && *at <= last; ++at) {
    std::memcpy(points + static_cast<std::size_t>(at - kept.listed.begin()) * element_point_values,
                &batch.values[static_cast<std::size_t>(*at - first)], sizeof(ElementPrintout));
  }
}

void ListingReader::read_step(std::int32_t step, NodalStressAccumulator& accumulator) {
  ListingModel& m = model_;
  std::vector<double>& node_result = step_.node_result;
  std::fill(node_result.begin(), node_result.end(), 0.0);
  accumulator.start_step();
  step_.peak = StressPeak{};
  if (search(nodal_printout_key)) {
    const InputFile& in = in_;
    paged(m.node_capacity, 50, 2, 6, nodal_printout_key.what,
          [&](std::size_t i, std::string_view record) {
            integer_at(in, record, 0, 6);  // node number, not used
            double* values = &node_result[i * 4];
            // The row as the solver writes it (E14.5, 3E13.5) at once; any
            // other row field by field.
            if (record.size() >= 59 && parse_written_exponents(record.substr(6), 1, 14, 5, values) &&
                parse_written_exponents(record.substr(20), 3, 13, 5, values + 1)) [[likely]] {
              return;
            }
            values[0] = step_real_at(in, record, 6, 14, 5);
            values[1] = step_real_at(in, record, 20, 13, 5);
            values[2] = step_real_at(in, record, 33, 13, 5);
            values[3] = step_real_at(in, record, 46, 13, 5);
          });
  }
  if (search(element_printout_key)) {
    read_element_printout(accumulator);
  } else {
    // A block without element printout keeps no element values.
    std::fill(step_.element_points.begin(), step_.element_points.end(), 0.0);
    std::fill(step_.element_peaks.begin(), step_.element_peaks.end(), 0.0);
  }
  // A block without element printout gets all-zero stresses.
  accumulator.finish(step_.node_stress);
  require_finite_stresses();
  if (m.discrete_flag != 0) {
    // Read from the current line when the key is not found within its bound.
    search(discrete_printout_key);
    paged(m.spring_count, 40, 4, 6, discrete_printout_key.what,
          [&](std::size_t i, std::string_view record) {
            std::int32_t number = 0, type = 0;
            double a = 0.0, b = 0.0, c = 0.0;
            parse(record, layouts_.discrete_printout, &number, &type, &a, &b, &c);
            // (I11,I8,E17.5,E16.5,E17.5): a, b and c from column 20, 37 and 53.
            require_finite(record, 19, 17, a);
            require_finite(record, 36, 16, b);
            require_finite(record, 52, 17, c);
            if (!std::isfinite(b - a)) [[unlikely]] {
              fail_field(in_.name(), in_.line_number(),
                         "the deflection b - a of \"" + std::string(columns(record, 36, 16)) +
                             "\" and \"" + std::string(columns(record, 19, 17)) +
                             "\" is not a finite real");
            }
            // Each block overwrites the block before: the last one stays.
            step_.spring_force[i] = c;
            step_.spring_deflection[i] = b - a;
          });
    // Copied, not swapped: the step writers view the model's tables.
    std::copy(step_.spring_force.begin(), step_.spring_force.end(), m.spring_force.begin());
    std::copy(step_.spring_deflection.begin(), step_.spring_deflection.end(),
              m.spring_deflection.begin());
  }
  if (sink_ != nullptr) {
    sink_->take_step(step, step_);
  } else {
    m.steps.append(step_);
  }
}

ListingModel ListingReader::read() {
  ListingModel& m = model_;
  read_control_cards();
  create_model_tables();
  if (search(control_card_7_key)) {
    skip(17, control_card_7_key.what);
    m.temperature_flag = count_line(60, 5, control_card_7_key.what);
  }
  read_nodal_points();
  read_hexahedra();
  m.node_count = m.node_capacity;
  if (m.discrete_flag != 0) read_discrete_elements();
  if (m.interface_count != 0) read_interfaces();
  if (m.point_load_count != 0) read_loads();
  if (m.temperature_flag != 0) read_temperatures();

  // The zones depend on the element table alone.
  ElementZones zones = form_element_zones(m.element_nodes, m.node_capacity);
  m.zone_count = zones.zone_count;
  m.element_zone = std::move(zones.element_zone);
  m.zone_element_counts = std::move(zones.zone_element_counts);
  if (reading_.model_read) reading_.model_read(m);
  if (sink_ != nullptr && !sink_->take_steps(m)) sink_ = nullptr;
  try {
    read_steps();
  } catch (...) {
    if (sink_ != nullptr) sink_->reading_failed();
    throw;
  }
  return std::move(model_);
}

void ListingReader::read_steps() {
  ListingModel& m = model_;
  step_ = step_values_for(m, reading_.kept);
  NodalStressAccumulator accumulator(m.node_capacity);
  for (std::int32_t s = 1; s <= m.step_count; ++s) {
    try {
      read_step(s, accumulator);
    } catch (const FatalError& error) {
      // A listing that ends within the time steps usually comes from a solver
      // run that stopped early; one whose step holds a value that is not a
      // number, from one that diverged. Keep the complete steps, or say which
      // step is missing.
      const bool unreadable = dynamic_cast<const FieldError*>(&error) != nullptr;
      if (reading_.complete_steps_only) {
        if (unreadable) {
          m.unreadable_value = error.what();
        } else if (failed_before_end_ || !in_.at_end()) {
          throw;
        }
        m.step_count = s - 1;
        return;
      }
      const std::string announced = " of the " + std::to_string(m.step_count) +
                                    " that control card 3 announces";
      std::string_view unread;
      if (failed_before_end_ || in_.next_line(unread)) {
        if (!unreadable) throw;
        throw FatalError(std::string(error.what()) + "; time step " + std::to_string(s) + announced +
                         " cannot be read; " + complete_steps_text(s - 1));
      }
      throw FatalError(std::string(error.what()) + "; the listing ends in time step " +
                       std::to_string(s) + announced + "; " + complete_steps_text(s - 1));
    }
    if (reading_.step_read) reading_.step_read(s);
  }
}

}  // namespace

ListingModel load_listing(InputFile& listing, bool second_cpu, StepSink* sink,
                          const ListingReading& reading) {
  if (reading.complete_steps_only) listing.complete_records_only();
  return ListingReader(listing, second_cpu, sink, reading).read();
}

StepValues step_values_for(const ListingModel& model, const KeptElements& kept) {
  StepValues values;
  const std::size_t node_rows = rows_of(model.node_capacity);
  values.node_result.assign(node_rows * 4, 0.0);
  values.node_stress.assign(node_rows * 7, 0.0);
  values.element_points.assign(kept.count(model.element_capacity) * element_point_values, 0.0);
  values.element_peaks.assign(kept.peaks ? rows_of(model.element_capacity) : 0, 0.0);
  values.spring_force.assign(model.spring_force.size(), 0.0);
  values.spring_deflection.assign(model.spring_deflection.size(), 0.0);
  return values;
}

ModelView model_view_of(const ListingModel& m) {
  ModelView view;
  view.node_count = m.node_count;
  view.load_case_count = m.load_case_count;
  view.node_x = m.node_x;
  view.node_y = m.node_y;
  view.node_z = m.node_z;
  view.nodal_loads = m.nodal_loads;
  view.node_temperature = m.node_temperature;
  view.node_constraint = m.node_constraint;
  view.element_nodes = m.element_nodes;
  view.element_material = m.element_material;
  view.zone_element_counts = m.zone_element_counts;
  view.interface_segments = m.interface_segments;
  view.spring_node1 = m.spring_node1;
  view.spring_node2 = m.spring_node2;
  view.spring_direction = m.spring_direction;
  return view;
}

StepResults step_results_of(const ListingModel& m, double deformation_scale) {
  StepResults results;
  results.deformation_scale = deformation_scale;
  results.node_count = m.node_count;
  results.node_capacity = m.node_capacity;
  results.node_x = m.node_x;
  results.node_y = m.node_y;
  results.node_z = m.node_z;
  results.element_nodes = m.element_nodes;
  results.element_material = m.element_material;
  results.zone_element_counts = m.zone_element_counts;
  results.interface_segments = m.interface_segments;
  results.spring_node1 = m.spring_node1;
  results.spring_node2 = m.spring_node2;
  results.spring_direction = m.spring_direction;
  results.spring_stiffness = m.spring_stiffness;
  results.spring_deflection = m.spring_deflection;
  results.spring_force = m.spring_force;
  results.step_count = std::max(m.step_count, 0);
  results.steps = &m.steps;
  return results;
}

}  // namespace meridian
