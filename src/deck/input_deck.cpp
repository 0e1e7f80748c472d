// The input-deck reader. The deck's keywords are not parsed in general: a few
// fixed marker words are searched for, each within a bounded number of free-form
// reads, and from each marker a fixed sequence of fixed-column cards is read.

#include "deck/input_deck.hpp"

#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "records/free_form.hpp"
#include "records/layout.hpp"
#include "files/input_file.hpp"
#include "files/memory_budget.hpp"

namespace meridian {
namespace {

constexpr std::string_view deck_file_name = "nikein.txt";

// Marker words, each compared with exactly 10 characters of a word.
constexpr std::string_view interfaces_marker = "Interfaces";
constexpr std::string_view nodal_marker = "*****Nodal";
constexpr std::string_view temperature_marker = "*---------";
constexpr std::size_t marker_length = 10;

// Bounds of the marker searches, in free-form reads.
constexpr int interface_header_reads = 20;
constexpr int node_marker_reads = 200;
constexpr int temperature_marker_reads = 200;

struct DeckLayouts {
  Layout control{"(2A1,I3,2I9,2I10,2I5)"};
  Layout node_card{"(I8,A5,3E20.11)"};
  Layout element_card{"(I8,I5,8I8)"};
  Layout interface_card{"(8(I8))"};
  Layout temperature_card{"(I8,F10.1)"};
};

// One free-form read of a single 10-character word (a marker attempt or a skip).
// A record whose word is longer keeps its first 10 characters.
std::string read_word(InputFile& deck, std::string_view what) {
  std::string word(marker_length, ' ');
  const FieldTarget targets[] = {TextTarget{&word, marker_length}};
  require_free(deck, targets, what);
  return word;
}

void skip_words(InputFile& deck, int count) {
  for (int i = 0; i < count; ++i) read_word(deck, "a skipped record of the input deck");
}

bool search_marker(InputFile& deck, std::string_view marker, int reads, std::string_view what) {
  for (int i = 0; i < reads; ++i) {
    if (read_word(deck, what) == marker) return true;
  }
  return false;
}

// Reads of two words (a one-character text and a 10-character text) until the
// second word is "Interfaces".
bool find_interface_header(InputFile& deck) {
  for (int i = 0; i < interface_header_reads; ++i) {
    std::string first(1, ' ');
    std::string second(marker_length, ' ');
    const FieldTarget targets[] = {TextTarget{&first, 1}, TextTarget{&second, marker_length}};
    require_free(deck, targets, "the interface header of the input deck");
    if (second == interfaces_marker) return true;
  }
  return false;
}

void read_control_record(InputFile& deck, const DeckLayouts& layouts, InputDeck& model) {
  std::string column1(1, ' ');
  std::string column2(1, ' ');
  std::int32_t unused_i3 = 0, unused_i10a = 0, unused_i10b = 0, unused_i5 = 0;
  std::int32_t nodes = 0, elements = 0, interfaces = 0;
  const FieldTarget targets[] = {TextTarget{&column1, 1},
                                 TextTarget{&column2, 1},
                                 &unused_i3,
                                 &nodes,
                                 &elements,
                                 &unused_i10a,
                                 &unused_i10b,
                                 &unused_i5,
                                 &interfaces};
  require_record(deck, layouts.control, targets, "the control record of the input deck");
  if (nodes > max_deck_count || elements > max_deck_count || interfaces > max_deck_count) {
    deck.fail_here("the control record gives node count " + std::to_string(nodes) +
                   ", element count " + std::to_string(elements) + " and interface count " +
                   std::to_string(interfaces) + "; a count above " +
                   std::to_string(max_deck_count) + " cannot be held");
  }
  // A negative count makes empty tables.
  model.node_count = nodes > 0 ? nodes : 0;
  model.element_count = elements > 0 ? elements : 0;
  model.interface_count = interfaces > 0 ? interfaces : 0;
  // Per node: coordinates, constraint, temperature, loads; per element:
  // material and corners; per interface: its segment counts and sides.
  const std::uint64_t bytes = table_bytes(model.node_count, 3 * 8 + 4 + 8 + 3 * 8) +
                              table_bytes(model.element_count, 4 + sizeof(ElementCorners)) +
                              table_bytes(model.interface_count, 2 * 4 + sizeof(InterfaceSides));
  require_memory(deck.name(), deck.line_number(),
                 "node count " + std::to_string(nodes) + ", element count " +
                     std::to_string(elements) + " and interface count " +
                     std::to_string(interfaces),
                 bytes);
}

void allocate_tables(InputDeck& model) {
  const auto nodes = static_cast<std::size_t>(model.node_count);
  model.node_x.assign(nodes, 0.0);
  model.node_y.assign(nodes, 0.0);
  model.node_z.assign(nodes, 0.0);
  model.node_constraint.assign(nodes, 0);
  model.node_temperature.assign(nodes, 0.0);
  model.nodal_loads.assign(nodes * 3, 0.0);
  const auto elements = static_cast<std::size_t>(model.element_count);
  model.element_material.assign(elements, 0);
  model.element_nodes.assign(elements, ElementCorners{});
  model.zone_element_counts.clear();
  if (model.element_count > 0) model.zone_element_counts.push_back(model.element_count);
  model.interface_segments.clear();
}

// Columns 9-13 of a node card: the deck writes the code as a real (7.0), the
// generator's own node cards as an integer (7). A field with a decimal point is
// read as a real and truncated; one without is read as an integer.
std::int32_t parse_constraint(const InputFile& deck, const std::string& field) {
  std::int32_t code = 0;
  if (field.find('.') == std::string::npos) {
    if (parse_integer(field, code)) return code;
  } else {
    double value = 0.0;
    if (parse_real(field, 1, value) && std::isfinite(value) && value > -2147483649.0 &&
        value < 2147483648.0) {
      return static_cast<std::int32_t>(std::trunc(value));
    }
  }
  deck.fail_here("cannot read a constraint code from \"" + field + "\" (columns 9-13)");
}

void read_node_cards(InputFile& deck, const DeckLayouts& layouts, InputDeck& model) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(model.node_count); ++i) {
    std::int32_t unused_number = 0;
    std::string constraint(5, ' ');
    const FieldTarget targets[] = {&unused_number, TextTarget{&constraint, 5}, &model.node_x[i],
                                   &model.node_y[i], &model.node_z[i]};
    require_record(deck, layouts.node_card, targets, "the node cards of the input deck");
    model.node_constraint[i] = parse_constraint(deck, constraint);
  }
}

void require_node_number(const InputFile& deck, const InputDeck& model, std::int32_t node,
                         std::string_view where) {
  if (node < 1 || node > model.node_count) {
    deck.fail_here(std::string(where) + " names node " + std::to_string(node) + ", outside 1.." +
                   std::to_string(model.node_count));
  }
}

void read_element_cards(InputFile& deck, const DeckLayouts& layouts, InputDeck& model) {
  for (std::size_t e = 0; e < static_cast<std::size_t>(model.element_count); ++e) {
    std::int32_t unused_number = 0;
    ElementCorners& corners = model.element_nodes[e];
    const FieldTarget targets[] = {&unused_number, &model.element_material[e],
                                   &corners[0],    &corners[1],
                                   &corners[2],    &corners[3],
                                   &corners[4],    &corners[5],
                                   &corners[6],    &corners[7]};
    require_record(deck, layouts.element_card, targets, "the element cards of the input deck");
    for (const std::int32_t node : corners) require_node_number(deck, model, node, "the element");
  }
}

void read_interfaces(InputFile& deck, const DeckLayouts& layouts, InputDeck& model) {
  const auto interfaces = static_cast<std::size_t>(model.interface_count);
  std::vector<std::array<std::int32_t, 2>> segment_counts;
  segment_counts.reserve(interfaces);
  for (std::size_t i = 0; i < interfaces; ++i) {
    std::array<std::int32_t, 2> counts{};
    const FieldTarget targets[] = {&counts[0], &counts[1]};
    require_record(deck, layouts.interface_card, targets,
                   "the interface segment counts of the input deck");
    for (std::int32_t& count : counts) {
      if (count > model.element_count) {
        deck.fail_here("an interface side of " + std::to_string(count) +
                       " segments exceeds the element count " +
                       std::to_string(model.element_count));
      }
      if (count < 0) count = 0;
    }
    segment_counts.push_back(counts);
  }
  // Each side's count is bounded by the element count, but all of them
  // together are not: the segment tables are checked before any is sized.
  std::int64_t segment_total = 0;
  for (const auto& counts : segment_counts) segment_total += std::int64_t{counts[0]} + counts[1];
  require_memory(deck.name(), deck.line_number(),
                 "interface count " + std::to_string(model.interface_count) + " with " +
                     std::to_string(segment_total) + " segments in all",
                 table_bytes(segment_total, sizeof(Segment)));
  model.interface_segments.resize(interfaces);
  for (std::size_t i = 0; i < interfaces; ++i) {
    for (std::size_t side = 0; side < 2; ++side) {
      std::vector<Segment>& segments = model.interface_segments[i][side];
      segments.resize(static_cast<std::size_t>(segment_counts[i][side]));
      for (Segment& segment : segments) {
        std::int32_t unused_number = 0;
        const FieldTarget targets[] = {&unused_number, &segment[0], &segment[1], &segment[2],
                                       &segment[3]};
        require_record(deck, layouts.interface_card, targets,
                       "the interface segments of the input deck");
        for (const std::int32_t node : segment) {
          require_node_number(deck, model, node, "the interface segment");
        }
      }
    }
  }
}

// Temperature pairs (p, tp) (q, tq) set nodes p..q on a linear ramp from tp to
// tq; later pairs overwrite earlier ones. The section ends with the pair whose q
// is the last node.
void read_temperatures(InputFile& deck, const DeckLayouts& layouts, InputDeck& model) {
  for (;;) {
    std::int32_t p = 0, q = 0;
    double tp = 0.0, tq = 0.0;
    const FieldTarget first[] = {&p, &tp};
    const FieldTarget second[] = {&q, &tq};
    require_record(deck, layouts.temperature_card, first, "the temperatures of the input deck");
    require_record(deck, layouts.temperature_card, second, "the temperatures of the input deck");
    if (q >= p) {
      if (p < 1 || q > model.node_count) {
        deck.fail_here("the temperature pair " + std::to_string(p) + ".." + std::to_string(q) +
                       " names nodes outside 1.." + std::to_string(model.node_count));
      }
      const std::int32_t span = q - p;
      auto* temperature = &model.node_temperature[static_cast<std::size_t>(p - 1)];
      if (span == 0) {
        temperature[0] = tp;
      } else {
        const double steps = static_cast<double>(span);
        for (std::int32_t k = 0; k <= span; ++k) {
          temperature[k] = tp + static_cast<double>(k) * (tq - tp) / steps;
        }
      }
    }
    if (q == model.node_count) return;
  }
}

}  // namespace

InputDeck parse_input_deck(InputFile& deck) {
  const DeckLayouts layouts;
  InputDeck model;
  if (find_interface_header(deck)) read_control_record(deck, layouts, model);
  allocate_tables(model);
  if (search_marker(deck, nodal_marker, node_marker_reads,
                    "the node section marker of the input deck")) {
    read_node_cards(deck, layouts, model);
  }
  skip_words(deck, 2);
  read_element_cards(deck, layouts, model);
  skip_words(deck, 3);
  if (model.interface_count >= 1) read_interfaces(deck, layouts, model);
  if (search_marker(deck, temperature_marker, temperature_marker_reads,
                    "the temperature section marker of the input deck")) {
    skip_words(deck, 1);
  }
  read_temperatures(deck, layouts, model);
  return model;
}

ModelView deck_model_view(const InputDeck& deck) {
  ModelView view;
  view.node_count = deck.node_count;
  view.load_case_count = 1;
  view.node_x = deck.node_x;
  view.node_y = deck.node_y;
  view.node_z = deck.node_z;
  view.nodal_loads = deck.nodal_loads;
  view.node_temperature = deck.node_temperature;
  view.node_constraint = deck.node_constraint;
  view.element_nodes = deck.element_nodes;
  view.element_material = deck.element_material;
  view.zone_element_counts = deck.zone_element_counts;
  view.interface_segments = deck.interface_segments;
  return view;
}

InputDeck read_input_deck() {
  InputFile deck = InputFile::open_existing(std::string(deck_file_name));
  return parse_input_deck(deck);
}

}  // namespace meridian
