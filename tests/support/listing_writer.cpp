#include "support/listing_writer.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string_view>

#include "records/fields.hpp"
#include "records/layout.hpp"

namespace meridian::testing {

namespace {

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

// The label of a count line cut or blank-padded to `width` columns.
std::string label(std::string_view text, std::size_t width) {
  std::string padded(text.substr(0, std::min(text.size(), width)));
  padded.resize(width, ' ');
  return padded;
}

class ListingText {
 public:
  explicit ListingText(const ListingFixture& fixture) : fixture_(fixture) {}

  void line(std::string_view text = {}) {
    out_.append(text);
    out_.push_back('\n');
  }
  void blanks(int count) {
    for (int i = 0; i < count; ++i) line();
  }
  void title_line() {
    std::string text(1, ' ');
    text += label(fixture_.title, 63);
    text += "page";
    text += integer_field(6, page_);
    line(text);
  }
  // A solver page break: a form feed mark, then the title line.
  void new_page() {
    ++page_;
    line("1");
    title_line();
  }
  // Count line (A60, I5) and its relatives.
  void count(std::string_view text, std::size_t label_width, int width, std::int64_t value) {
    line(label(text, label_width) + integer_field(width, value));
  }
  void row(const Layout& layout, std::initializer_list<FieldValue> values) {
    const std::vector<FieldValue> list(values);
    for (const std::string& record : render_records(layout, list)) line(record);
  }

  std::string take() { return std::move(out_); }
  int page() const { return page_; }
  void set_page(int page) { page_ = page; }

 private:
  const ListingFixture& fixture_;
  std::string out_;
  int page_ = 1;
};

// Rows in pages of `page_size`: heading lines before every page, trailing
// lines after every full page that is followed by another.
void paged(std::size_t rows, std::size_t page_size, const auto& write_row, auto&& heading,
           auto&& trailing) {
  heading();
  for (std::size_t i = 0; i < rows; ++i) {
    if (i > 0 && i % page_size == 0) {
      trailing();
      heading();
    }
    write_row(i);
  }
}

std::int32_t pick(const std::optional<std::int32_t>& printed, std::size_t table_size) {
  return printed ? *printed : static_cast<std::int32_t>(table_size);
}

}  // namespace

std::string write_listing_text(const ListingFixture& f) {
  ListingText t(f);
  const PrintedCounts& c = f.counts;
  const OmittedSections& omit = f.omit;
  const std::int32_t node_capacity = pick(c.node_capacity, f.nodes.size());
  const std::int32_t element_capacity = pick(c.element_capacity, f.elements.size());
  const std::int32_t interface_count = pick(c.interface_count, f.interfaces.size());
  const std::int32_t discrete_flag =
      c.discrete_flag ? *c.discrete_flag : (f.springs.empty() && f.spring_types.empty() ? 0 : 1);
  const std::int32_t step_count = pick(c.step_count, f.steps.size());
  const std::int32_t load_case_count = c.load_case_count ? *c.load_case_count : f.load_case_count;
  const std::int32_t point_load_count = pick(c.point_load_count, f.loads.size());
  const std::int32_t temperature_flag =
      c.temperature_flag ? *c.temperature_flag : (f.temperatures.empty() ? 0 : 1);
  const std::int32_t spring_type_count = pick(c.spring_type_count, f.spring_types.size());
  const std::int32_t spring_count = pick(c.spring_count, f.springs.size());

  // Title block.
  t.line("1");
  t.line();
  t.line(" i m p l i c i t   a n a l y s i s   l i s t i n g");
  t.line();
  t.line("     finite element analysis of three dimensional solids");
  t.line();
  if (!omit.title_block) {
    t.line(" ******************************************************************");
    t.line(" *                                                                *");
    t.line(" *      The incoming problem description is echoed below        *");
    t.line(" *                                                                *");
    t.line(" ******************************************************************");
    t.title_line();
  }
  t.blanks(2);
  t.line(" input control information");
  t.line();

  if (!omit.control_card_2) {
    t.line(" CONTROL CARD # 2   problem size");
    t.line();
    t.count(" number of materials . . . . . . . . . . . . . . . . . . .  ", 60, 5, 1);
    t.count(" number of load curves . . . . . . . . . . . . . . . . . .  ", 60, 5, 2);
    t.count(" number of beam elements . . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.count(" number of shell elements . . . . . . . . . . . . . . . . . ", 60, 5, 0);
    t.line();
    t.line(" nodal and element data:");
    t.count(" number of nodal points . . . . . . . . . . . . . . . . . . ", 60, 5, node_capacity);
    t.line();
    t.count(" number of solid elements . . . . . . . . . . . . . . . . . ", 60, 5,
            element_capacity);
    t.count(" number of thick shell elements . . . . . . . . . . . . . . ", 60, 5, 0);
    t.count(" number of rigid walls . . . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.line();
    t.line(" contact data:");
    t.count(" number of contact surfaces defined by segments . . . . . . ", 60, 5, 0);
    t.count(" sliding interface input format . . . . . . . . . . . . . . ", 60, 5, 1);
    t.line();
    t.count(" number of sliding interfaces . . . . . . . . . . . . . . . ", 60, 5, interface_count);
    t.count(" number of tied interfaces . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.line();
    t.line(" discrete elements:");
    t.count(" discrete element input flag . . . . . . . . . . . . . . .  ", 60, 5, discrete_flag);
    t.blanks(2);
  }
  if (!omit.control_card_3) {
    t.line(" CONTROL CARD # 3   time step control");
    t.line();
    t.count(" analysis type . . . . . . . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.count(" automatic time step flag . . . . . . . . . . . . . . . . . ", 60, 5, 1);
    t.count(" number of time steps printed . . . . . . . . . . . . . . . ", 60, 5, step_count);
    t.count(" maximum number of iterations . . . . . . . . . . . . . . . ", 60, 5, 25);
    t.blanks(2);
  }
  if (!omit.control_card_4) {
    t.line(" CONTROL CARD # 4   load information");
    t.line();
    t.count(" number of load curves . . . . . . . . . . . . . . . . . .  ", 60, 5, 2);
    t.count(" maximum points in a load curve . . . . . . . . . . . . . . ", 60, 5, 4);
    t.count(" number of load cases . . . . . . . . . . . . . . . . . . . ", 60, 5, load_case_count);
    t.count(" number of pressure cards . . . . . . . . . . . . . . . . . ", 60, 5, 0);
    t.count(" number of displacement boundary cards . . . . . . . . . .  ", 60, 5, 0);
    t.line();
    t.count(" number of concentrated nodal loads . . . . . . . . . . . . ", 60, 5,
            point_load_count);
    t.blanks(2);
  }
  if (!omit.control_card_7) {
    t.line(" CONTROL CARD # 7   thermal options");
    t.line();
    t.line(" thermal and body force options:");
    t.count(" body force load curve x . . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.count(" body force load curve y . . . . . . . . . . . . . . . . .  ", 60, 5, 1);
    t.count(" body force load curve z . . . . . . . . . . . . . . . . .  ", 60, 5, 2);
    t.count(" angular velocity load curve . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.count(" gravity load flag . . . . . . . . . . . . . . . . . . . .  ", 60, 5, 1);
    t.count(" base acceleration x . . . . . . . . . . . . . . . . . . .  ", 60, 5, 2);
    t.count(" base acceleration y . . . . . . . . . . . . . . . . . . .  ", 60, 5, 0);
    t.count(" base acceleration z . . . . . . . . . . . . . . . . . . .  ", 60, 5, 1);
    t.count(" reference temperature flag . . . . . . . . . . . . . . . . ", 60, 5, 2);
    t.count(" thermal expansion flag . . . . . . . . . . . . . . . . . . ", 60, 5, 0);
    t.count(" temperature load curve . . . . . . . . . . . . . . . . . . ", 60, 5, 1);
    t.count(" thermal file format . . . . . . . . . . . . . . . . . . .  ", 60, 5, 2);
    t.count(" number of temperature states . . . . . . . . . . . . . . . ", 60, 5, 0);
    t.count(" temperature scale curve . . . . . . . . . . . . . . . . .  ", 60, 5, 1);
    t.count(" thermal restart flag . . . . . . . . . . . . . . . . . . . ", 60, 5, 2);
    t.count(" temperature profile input flag . . . . . . . . . . . . . . ", 60, 5,
            temperature_flag);
    t.blanks(2);
  }

  const auto trailing_with = [&t](std::string_view continued) {
    return [&t, continued] {
      t.blanks(2);
      t.new_page();
      t.line();
      t.line(continued);
    };
  };

  if (!omit.nodal_points) {
    const Layout layout("(2I8,E17.4,2E20.4)");
    t.line(" NODAL POINT data");
    paged(
        f.nodes.size(), 50,
        [&](std::size_t i) {
          const ListingNode& n = f.nodes[i];
          t.row(layout, {std::int64_t(i + 1), std::int64_t{n.constraint}, n.x, n.y, n.z});
        },
        [&t] {
          t.line();
          t.line("     node      bc        x-coordinate         y-coordinate         z-coordinate");
          t.line();
        },
        trailing_with(" nodal point definitions (continued)"));
    t.blanks(2);
  }
  if (!omit.hexahedra) {
    const Layout layout("(2I7,8I8)");
    t.line(" HEXAHEDERON ELEMENTS");
    paged(
        f.elements.size(), 50,
        [&](std::size_t i) {
          const ListingElement& e = f.elements[i];
          std::vector<FieldValue> values{std::int64_t(i + 1), std::int64_t{e.material}};
          for (std::int32_t node : e.nodes) values.emplace_back(std::int64_t{node});
          for (const std::string& record : render_records(layout, values)) t.line(record);
        },
        [&t] {
          t.line();
          t.line("   elem    mat      n1      n2      n3      n4      n5      n6      n7      n8");
          t.line();
        },
        trailing_with(" element definitions (continued)"));
    t.blanks(2);
  }
  if (discrete_flag != 0) {
    if (!omit.discrete_elements) {
      t.line(" DISCRETE ELEMENT control information");
      t.line();
      t.count(" number of spring-damper types . . . . . . . . . .", 51, 7, spring_type_count);
      t.line();
      t.count(" number of discrete elements . . . . . . . . . . .", 51, 7, spring_count);
      t.count(" number of lumped masses . . . . . . . . . . . . .", 51, 7, 0);
      t.blanks(2);
    }
    if (!omit.spring_types) {
      t.line(" spring-damper type definitions");
      for (std::size_t i = 0; i < f.spring_types.size(); ++i) {
        const ListingSpringType& type = f.spring_types[i];
        t.line();
        t.count("   type number ....................", 36, 5, std::int64_t(i + 1));
        t.line(label("   linear stiffness . . . . . . . . . .", 41) +
               exponent_field(12, 4, type.stiffness));
        t.count("   direction code . . . . . . . . . . .", 41, 5, type.direction);
        t.line("   damping coefficient . . . . . . . . .   0.0000E+00");
        t.line("   material type . . . . . . . . . . . .     1");
        t.line();
      }
    }
    const Layout layout("(I13,3I7,E19.6)");
    paged(
        f.springs.size(), 50,
        [&](std::size_t i) {
          const ListingSpring& s = f.springs[i];
          t.row(layout, {std::int64_t(i + 1), std::int64_t{s.node1}, std::int64_t{s.node2},
                         std::int64_t{s.type}, s.scale});
        },
        [&t, first = true]() mutable {
          if (first) {
            t.line();
            t.line(" discrete element connectivity");
          } else {
            t.new_page();
          }
          first = false;
          t.line("      element   node1  node2   type       scale factor");
          t.line();
        },
        // One trailing line per full page.
        [&t] { t.line(); });
    t.blanks(4);
  }
  if (interface_count != 0 && !omit.interfaces) {
    const Layout layout("(I7,4I9)");
    t.line(" d e f i n i t i o n   o f   s l i d i n g   i n t e r f a c e s");
    for (std::size_t k = 0; k < f.interfaces.size(); ++k) {
      const ListingInterface& sides = f.interfaces[k];
      t.line();
      t.count(" interface number ........................", 42, 6, std::int64_t(k + 1));
      t.count(" number of slave segments . . . . . . . . . .", 46, 8,
              static_cast<std::int64_t>(sides.slave.size()));
      t.count(" number of master segments . . . . . . . . .", 46, 8,
              static_cast<std::int64_t>(sides.master.size()));
      t.line();
      const auto segments = [&](std::string_view name, const std::vector<Segment>& rows) {
        t.line();
        t.line(name);
        t.line("  segment   node 1   node 2   node 3   node 4");
        for (std::size_t i = 0; i < rows.size(); ++i) {
          t.row(layout, {std::int64_t(i + 1), std::int64_t{rows[i][0]}, std::int64_t{rows[i][1]},
                         std::int64_t{rows[i][2]}, std::int64_t{rows[i][3]}});
        }
      };
      segments(" master segments", sides.master);
      segments(" slave segments", sides.slave);
      t.line();
      t.line(" interface type . . . . . . . . . . . . . . .        3");
      t.line(" static coefficient of friction . . . . . . .   0.0000E+00");
      t.line(" dynamic coefficient of friction . . . . . .    0.0000E+00");
      t.line(" penalty scale factor . . . . . . . . . . . .   0.1000E+00");
      t.line();
    }
    t.blanks(3);
  }
  if (point_load_count != 0 && !omit.loads) {
    const Layout layout("(I9,I11,I9,E17.4)");
    t.line(" CONCENTRATED NODAL LOADS");
    t.line();
    t.line("     node  direction load case            value");
    for (const ListingLoad& load : f.loads) {
      t.row(layout, {std::int64_t{load.node}, std::int64_t{load.direction},
                     std::int64_t{load.load_case}, load.value});
    }
    t.line();
  }
  if (temperature_flag != 0 && !omit.temperatures) {
    const Layout layout("(I9,2E18.7)");
    t.line(" TEMPERATURE PROFILE");
    paged(
        f.temperatures.size(), 50,
        [&](std::size_t i) {
          const ListingTemperature& row = f.temperatures[i];
          t.row(layout, {std::int64_t{row.node}, row.first, row.second});
        },
        [&t] {
          t.line();
          t.line("     node       temperature       temperature");
          t.line("                 (base)            (increment)");
          t.line();
        },
        trailing_with(" temperature profile (continued)"));
    t.blanks(2);
  }

  const Layout node_layout("(I6,E14.5,3E13.5)");
  const Layout element_layout("(I7,A11,7E11.3)");
  const Layout spring_layout("(I11,I8,E17.5,E16.5,E17.5)");
  for (std::size_t s = 0; s < f.steps.size(); ++s) {
    const ListingStep& step = f.steps[s];
    const std::string step_number = integer_field(6, std::int64_t(s + 1));
    const std::string key_number = integer_field(7, std::int64_t(s + 1));
    t.new_page();
    t.line();
    t.line(" results for time step" + step_number +
           "   time = " + exponent_field(12, 4, step.time));
    t.line();
    if (step.nodal_printout) {
      t.line(" n o d a l   p r i n t o u t   f o r   t i m e   s t e p" + key_number);
      paged(
          step.node_values.size(), 50,
          [&](std::size_t i) {
            const auto& v = step.node_values[i];
            t.row(node_layout, {std::int64_t(i + 1), v[0], v[1], v[2], v[3]});
          },
          [&t] {
            t.line();
            t.line("  node  x-displacement y-displacement z-displacement  temperature");
          },
          trailing_with(" nodal printout (continued)"));
      t.blanks(2);
    }
    if (step.element_printout) {
      t.line(" e l e m e n t   s t r e s s e s   f o r   t i m e   s t e p" + key_number);
      const std::string heading =
          "  ipt  location          sig-xx     sig-yy     sig-zz     sig-xy     sig-yz     sig-zx"
          "  effective";
      t.line();
      t.line(heading);
      t.line();
      const std::size_t count = step.element_values.size();
      const std::size_t page_size = static_cast<std::size_t>(std::max(f.element_page_size, 1));
      for (std::size_t e = 0; e < count; ++e) {
        const ElementPrintout& gauss = step.element_values[e];
        const std::int32_t material =
            e < f.elements.size() ? f.elements[e].material : std::int32_t{1};
        t.line(" element" + integer_field(8, std::int64_t(e + 1)) + "   material" +
               integer_field(5, material));
        for (int p = 0; p < 8; ++p) {
          const std::string location = "   gauss" + integer_field(3, p + 1);
          const auto& v = gauss[static_cast<std::size_t>(p)];
          t.row(element_layout, {std::int64_t{p + 1}, std::string_view(location), v[0], v[1], v[2],
                                 v[3], v[4], v[5], v[6]});
        }
        t.line();
        if ((e + 1) % page_size == 0 && e + 1 < count) {
          // Element pages carry no form-feed mark: the title line follows the
          // blank line directly.
          t.set_page(t.page() + 1);
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
    }
    if (discrete_flag != 0 && step.discrete_printout) {
      t.line(" d i s c r e t e   e l e m e n t   p r i n t o u t" + step_number);
      const auto heading = [&t] {
        t.line();
        t.line("    element    type         deflection       deflection            force");
        t.line("                            (initial)        (current)");
        t.line();
      };
      paged(
          step.spring_values.size(), 40,
          [&](std::size_t i) {
            const ListingSpringResult& r = step.spring_values[i];
            const std::int32_t type = i < f.springs.size() ? f.springs[i].type : 1;
            t.row(spring_layout,
                  {std::int64_t(i + 1), std::int64_t{type}, r.initial, r.current, r.force});
          },
          heading, trailing_with(" discrete elements (continued)"));
      t.line();
    }
  }
  t.line();
  t.line(" analysis completed");
  return t.take();
}

void write_listing_file(const ListingFixture& fixture, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path);
  out << write_listing_text(fixture);
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string filler_lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += " (filler line of the listing)\n";
  return text;
}

void add_block(ListingFixture& fixture, int nx, int ny, int nz, double x0, double y0, double z0,
               std::int32_t material) {
  const auto first = static_cast<std::int32_t>(fixture.nodes.size()) + 1;
  for (int k = 0; k <= nz; ++k) {
    for (int j = 0; j <= ny; ++j) {
      for (int i = 0; i <= nx; ++i) {
        fixture.nodes.push_back({0, x0 + i, y0 + j, z0 + k});
      }
    }
  }
  const auto node = [&](int i, int j, int k) { return first + i + (nx + 1) * (j + (ny + 1) * k); };
  for (int k = 0; k < nz; ++k) {
    for (int j = 0; j < ny; ++j) {
      for (int i = 0; i < nx; ++i) {
        fixture.elements.push_back({material,
                                    {node(i, j, k), node(i + 1, j, k), node(i + 1, j + 1, k),
                                     node(i, j + 1, k), node(i, j, k + 1), node(i + 1, j, k + 1),
                                     node(i + 1, j + 1, k + 1), node(i, j + 1, k + 1)}});
      }
    }
  }
}

void add_simple_steps(ListingFixture& fixture, int step_count) {
  for (int s = 1; s <= step_count; ++s) {
    ListingStep step;
    step.time = 0.1 * s;
    for (std::size_t i = 1; i <= fixture.nodes.size(); ++i) {
      const double n = static_cast<double>(i);
      step.node_values.push_back({0.001 * n + 0.0001 * s, -0.002 * n, 0.0005 * s, 20.0 + n});
    }
    for (std::size_t e = 1; e <= fixture.elements.size(); ++e) {
      ElementPrintout gauss{};
      for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 7; ++c) {
          gauss[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)] =
              10.0 * static_cast<double>(e) + p + 0.125 * c + 100.0 * s;
        }
      }
      step.element_values.push_back(gauss);
    }
    for (std::size_t i = 1; i <= fixture.springs.size(); ++i) {
      const double n = static_cast<double>(i);
      step.spring_values.push_back({0.001 * n, 0.003 * n + 0.001 * s, 100.0 * n + s});
    }
    fixture.steps.push_back(std::move(step));
  }
}

void add_steps(ListingFixture& fixture, int step_count, const StepValueSource& values) {
  const int steps_before = static_cast<int>(fixture.steps.size());
  for (int s = steps_before + 1; s <= steps_before + step_count; ++s) {
    ListingStep step;
    step.time = s;
    for (std::size_t n = 1; n <= fixture.nodes.size(); ++n) {
      step.node_values.push_back(values.node(static_cast<int>(n), s));
    }
    for (std::size_t e = 1; e <= fixture.elements.size(); ++e) {
      ElementPrintout gauss{};
      for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 7; ++c) {
          gauss[static_cast<std::size_t>(p)][static_cast<std::size_t>(c)] =
              values.element(static_cast<int>(e), p, c, s);
        }
      }
      step.element_values.push_back(gauss);
    }
    for (std::size_t n = 1; n <= fixture.springs.size(); ++n) {
      step.spring_values.push_back(values.spring(static_cast<int>(n), s));
    }
    fixture.steps.push_back(std::move(step));
  }
}

}  // namespace meridian::testing
