#include "support/synthetic_listing.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "records/fields.hpp"

namespace meridian::testing {

namespace {

constexpr std::string_view synthetic_title = "synthetic benchmark listing";

// Distinct values drawn per field: enough variety that the parser sees every
// digit pattern, few enough that the tables stay in cache.
constexpr std::size_t table_size = 4096;

struct BlockShape {
  int nx = 1, ny = 1, nz = 1;
};

BlockShape block_shape(std::int32_t elements) {
  BlockShape shape;
  const int side = std::max(1, static_cast<int>(std::lround(std::cbrt(static_cast<double>(elements)))));
  shape.nx = side;
  shape.ny = side;
  const std::int64_t layer = static_cast<std::int64_t>(side) * side;
  shape.nz = static_cast<int>(std::max<std::int64_t>(1, (elements + layer - 1) / layer));
  return shape;
}

std::uint32_t mix(std::uint64_t x) {
  return static_cast<std::uint32_t>((x * 0x9E3779B97F4A7C15ull) >> 52) & (table_size - 1);
}

// Element printout values: three significant digits over seven decades, both signs.
double element_value(std::size_t k) {
  static constexpr std::array<double, 8> scale = {1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4};
  const double mantissa = static_cast<double>(static_cast<long>((k * 7919) % 1999) - 999);
  return mantissa * scale[k % 8];
}
// Displacements: long decimal expansions, both signs, up to about 0.03.
double displacement_value(std::size_t k) {
  return static_cast<double>(static_cast<long>((k * 104729) % 200001) - 100000) * 1e-6 / 3.0;
}
double temperature_value(std::size_t k) { return 20.0 + 0.01 * static_cast<double>(k); }

double element_at(std::int32_t step, std::size_t element, int point, int component) {
  return element_value(mix(element * 56 + static_cast<std::size_t>(point) * 7 +
                           static_cast<std::size_t>(component) + static_cast<std::size_t>(step) * 7777));
}
double node_at(std::int32_t step, std::size_t node, int column) {
  const std::size_t k = mix(node * 4 + static_cast<std::size_t>(column) +
                            static_cast<std::size_t>(step) * 131);
  return column == 3 ? temperature_value(k) : displacement_value(k);
}
ListingSpringResult spring_at(std::int32_t step, std::size_t spring) {
  const double n = static_cast<double>(spring + 1);
  return {0.001 * n, 0.003 * n + 0.001 * step, 100.0 * n + step};
}

// The model sections of the fixture (steps left out).
ListingFixture model_fixture(const SyntheticListingSize& size) {
  if (size.elements < 1) throw std::runtime_error("a synthetic listing needs at least one element");
  if (size.nodes < synthetic_block_nodes(size.elements)) {
    throw std::runtime_error("a synthetic listing of " + std::to_string(size.elements) +
                             " elements needs at least " +
                             std::to_string(synthetic_block_nodes(size.elements)) + " nodes");
  }
  ListingFixture f;
  f.title = std::string(synthetic_title);
  f.element_page_size = size.element_page_size;
  const BlockShape shape = block_shape(size.elements);
  add_block(f, shape.nx, shape.ny, shape.nz);
  f.elements.resize(static_cast<std::size_t>(size.elements));
  // Nodes beyond the block's corners belong to no element.
  for (std::size_t i = f.nodes.size(); i < static_cast<std::size_t>(size.nodes); ++i) {
    f.nodes.push_back({0, -1.0, -1.0, static_cast<double>(i)});
  }
  if (size.springs > 0) {
    f.spring_types.push_back({1000.0, 3});
    const auto n = static_cast<std::size_t>(size.nodes);
    for (std::size_t i = 0; i < static_cast<std::size_t>(size.springs); ++i) {
      f.springs.push_back({static_cast<std::int32_t>(i % n + 1),
                           static_cast<std::int32_t>(n - i % n), 1, 1.0 + 0.5 * static_cast<double>(i % 3)});
    }
  }
  return f;
}

std::string integer_field(int width, std::int64_t value) {
  std::string text(static_cast<std::size_t>(width), ' ');
  render_integer(text.data(), width, value);
  return text;
}

std::string exponent_field(int width, int digits, double value) {
  std::string text(static_cast<std::size_t>(width), ' ');
  render_exponent(text.data(), width, digits, value);
  return text;
}

// Fixed-width fields rendered once: field k of width w at text[k*w].
struct FieldTable {
  int width = 0;
  std::vector<char> text;
  FieldTable(int w, int digits, double (*value)(std::size_t)) : width(w), text(table_size * w) {
    for (std::size_t k = 0; k < table_size; ++k) render_exponent(&text[k * w], w, digits, value(k));
  }
  const char* at(std::size_t k) const { return &text[k * static_cast<std::size_t>(width)]; }
};

// Buffered writer of the step sections, mirroring the fixture writer line by line.
class StepText {
 public:
  StepText(std::FILE* file, int page) : file_(file), page_(page) { buffer_.reserve(flush_at + 4096); }

  void line(std::string_view text = {}) {
    buffer_.append(text);
    buffer_.push_back('\n');
    if (buffer_.size() >= flush_at) flush();
  }
  // A line assembled in place: returns room for `size` bytes plus the LF.
  char* open_line(std::size_t size) {
    const std::size_t at = buffer_.size();
    buffer_.resize(at + size + 1);
    buffer_[at + size] = '\n';
    return buffer_.data() + at;
  }
  void close_line() {
    if (buffer_.size() >= flush_at) flush();
  }
  void blanks(int count) {
    for (int i = 0; i < count; ++i) line();
  }
  void title_line() {
    std::string text(1, ' ');
    std::string title(synthetic_title);
    title.resize(63, ' ');
    text += title;
    text += "page";
    text += integer_field(6, page_);
    line(text);
  }
  void new_page() {
    ++page_;
    line("1");
    title_line();
  }
  void next_page() { ++page_; }
  void flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      throw std::runtime_error("cannot write the synthetic listing");
    }
    written_ += buffer_.size();
    buffer_.clear();
  }
  std::uint64_t written() const { return written_; }

 private:
  static constexpr std::size_t flush_at = std::size_t{8} << 20;
  std::FILE* file_;
  std::string buffer_;
  int page_;
  std::uint64_t written_ = 0;
};

void write_steps(const SyntheticListingSize& size, const ListingFixture& model, StepText& t) {
  const FieldTable elements(11, 3, element_value);
  const FieldTable x_displacements(14, 5, displacement_value);
  const FieldTable displacements(13, 5, displacement_value);
  const FieldTable temperatures(13, 5, temperature_value);
  const auto nodes = static_cast<std::size_t>(size.nodes);
  const auto element_count = static_cast<std::size_t>(size.elements);
  const std::size_t page_size = static_cast<std::size_t>(std::max(size.element_page_size, 1));
  const std::string heading =
      "  ipt  location          sig-xx     sig-yy     sig-zz     sig-xy     sig-yz     sig-zx"
      "  effective";
  // I7 point number and A11 location of the 8 integration-point rows.
  std::array<std::string, 8> row_lead;
  for (int p = 0; p < 8; ++p) {
    row_lead[static_cast<std::size_t>(p)] =
        integer_field(7, p + 1) + "   gauss" + integer_field(3, p + 1);
  }
  for (std::int32_t s = 1; s <= size.steps; ++s) {
    const std::string step_number = integer_field(6, s);
    const std::string key_number = integer_field(7, s);
    t.new_page();
    t.line();
    t.line(" results for time step" + step_number + "   time = " + exponent_field(12, 4, 0.1 * s));
    t.line();

    t.line(" n o d a l   p r i n t o u t   f o r   t i m e   s t e p" + key_number);
    const auto node_heading = [&t] {
      t.line();
      t.line("  node  x-displacement y-displacement z-displacement  temperature");
    };
    node_heading();
    for (std::size_t i = 0; i < nodes; ++i) {
      if (i > 0 && i % 50 == 0) {
        t.blanks(2);
        t.new_page();
        t.line();
        t.line(" nodal printout (continued)");
        node_heading();
      }
      char* p = t.open_line(6 + 14 + 13 * 3);
      render_integer(p, 6, static_cast<std::int64_t>(i + 1));
      const auto mixed = [&](int column) {
        return mix(i * 4 + static_cast<std::size_t>(column) + static_cast<std::size_t>(s) * 131);
      };
      std::memcpy(p + 6, x_displacements.at(mixed(0)), 14);
      std::memcpy(p + 20, displacements.at(mixed(1)), 13);
      std::memcpy(p + 33, displacements.at(mixed(2)), 13);
      std::memcpy(p + 46, temperatures.at(mixed(3)), 13);
      t.close_line();
    }
    t.blanks(2);

    t.line(" e l e m e n t   s t r e s s e s   f o r   t i m e   s t e p" + key_number);
    t.line();
    t.line(heading);
    t.line();
    for (std::size_t e = 0; e < element_count; ++e) {
      t.line(" element" + integer_field(8, static_cast<std::int64_t>(e + 1)) + "   material" +
             integer_field(5, model.elements[e].material));
      for (int point = 0; point < 8; ++point) {
        char* p = t.open_line(18 + 77);
        std::memcpy(p, row_lead[static_cast<std::size_t>(point)].data(), 18);
        for (int c = 0; c < 7; ++c) {
          const std::size_t k = mix(e * 56 + static_cast<std::size_t>(point) * 7 +
                                    static_cast<std::size_t>(c) + static_cast<std::size_t>(s) * 7777);
          std::memcpy(p + 18 + 11 * c, elements.at(k), 11);
        }
        t.close_line();
      }
      t.line();
      if ((e + 1) % page_size == 0 && e + 1 < element_count) {
        t.next_page();
        t.title_line();
        t.line();
        t.line(" results for time step" + step_number);
        t.line();
        t.line(" element stresses (continued)");
        t.blanks(2);
        t.line(heading);
        t.line();
      }
    }
    t.blanks(3);

    if (!model.springs.empty()) {
      t.line(" d i s c r e t e   e l e m e n t   p r i n t o u t" + step_number);
      const auto spring_heading = [&t] {
        t.line();
        t.line("    element    type         deflection       deflection            force");
        t.line("                            (initial)        (current)");
        t.line();
      };
      spring_heading();
      for (std::size_t i = 0; i < model.springs.size(); ++i) {
        if (i > 0 && i % 40 == 0) {
          t.blanks(2);
          t.new_page();
          t.line();
          t.line(" discrete elements (continued)");
          spring_heading();
        }
        const ListingSpringResult r = spring_at(s, i);
        char* p = t.open_line(11 + 8 + 17 + 16 + 17);
        render_integer(p, 11, static_cast<std::int64_t>(i + 1));
        render_integer(p + 11, 8, model.springs[i].type);
        render_exponent(p + 19, 17, 5, r.initial);
        render_exponent(p + 36, 16, 5, r.current);
        render_exponent(p + 52, 17, 5, r.force);
        t.close_line();
      }
      t.line();
    }
  }
  t.line();
  t.line(" analysis completed");
}

// The model text without its closing lines, and the page number it ends on.
std::string model_text(const SyntheticListingSize& size, const ListingFixture& model, int& page) {
  ListingFixture f = model;
  f.counts.step_count = size.steps;
  std::string text = write_listing_text(f);
  constexpr std::string_view tail = "\n analysis completed\n";
  if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) {
    throw std::runtime_error("the fixture writer's listing does not end as expected");
  }
  text.resize(text.size() - tail.size());
  // Every page break after the first page is a line holding just "1".
  page = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (end - at == 1 && text[at] == '1') ++page;
    at = end + 1;
  }
  return text;
}

}  // namespace

std::int32_t synthetic_block_nodes(std::int32_t elements) {
  const BlockShape shape = block_shape(elements);
  return (shape.nx + 1) * (shape.ny + 1) * (shape.nz + 1);
}

ListingFixture synthetic_fixture(const SyntheticListingSize& size) {
  ListingFixture f = model_fixture(size);
  for (std::int32_t s = 1; s <= size.steps; ++s) {
    ListingStep step;
    step.time = 0.1 * s;
    for (std::size_t i = 0; i < f.nodes.size(); ++i) {
      step.node_values.push_back({node_at(s, i, 0), node_at(s, i, 1), node_at(s, i, 2), node_at(s, i, 3)});
    }
    for (std::size_t e = 0; e < f.elements.size(); ++e) {
      ElementPrintout gauss{};
      for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 7; ++c) {
          gauss[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)] = element_at(s, e, p, c);
        }
      }
      step.element_values.push_back(gauss);
    }
    for (std::size_t i = 0; i < f.springs.size(); ++i) step.spring_values.push_back(spring_at(s, i));
    f.steps.push_back(std::move(step));
  }
  return f;
}

std::uint64_t write_synthetic_listing(const SyntheticListingSize& size, const std::string& path) {
  const ListingFixture model = model_fixture(size);
  int page = 0;
  const std::string model_part = model_text(size, model, page);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  StepText t(file.get(), page);
  t.line(std::string_view(model_part).substr(0, model_part.size() - 1));  // its last LF restored
  write_steps(size, model, t);
  t.flush();
  if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
  return t.written();
}

}  // namespace meridian::testing
