#include "cards/card_files.hpp"

#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "records/free_form.hpp"

namespace meridian {

void write_card(OutputFile& out, const Layout& layout, std::span<const FieldValue> values) {
  const std::size_t capacity = static_cast<std::size_t>(layout.record_width()) + 2;
  char* const start = out.reserve(capacity);
  char* p = start;
  std::size_t next = 0;
  int pending_blanks = 0;  // X fields count only when a later field is written
  for (const LayoutField& field : layout.fields()) {
    if (next == values.size()) break;
    if (field.kind == 'X') {
      pending_blanks += field.width;
      continue;
    }
    std::memset(p, ' ', static_cast<std::size_t>(pending_blanks));
    p += pending_blanks;
    pending_blanks = 0;
    render_field(p, field, values[next++]);
    p += field.width;
  }
  if (next != values.size()) {
    throw std::logic_error("write_card: more values than the card layout holds");
  }
  *p++ = '\r';
  *p++ = '\n';
  out.commit(static_cast<std::size_t>(p - start));
}

void write_ground_node_card(OutputFile& out_spring, const CardLayouts& layouts,
                            std::int64_t node_number, double x, double y, double z) {
  const std::array<FieldValue, 6> values{node_number, std::int64_t{7}, x, y, z, 7.0};
  write_card(out_spring, layouts.node_card, values);
}

namespace {

void write_count(OutputFile& out, std::int64_t count) {
  write_free(out, {count});
}

// out_node.txt: the node count, then one card per node (label, boundary code,
// coordinates, all rotations fixed).
void write_node_cards(const GeneratedModel& model, OutputFile& out, const CardLayouts& layouts) {
  write_count(out, model.node_count);
  for (std::int32_t i = 0; i < model.node_count; ++i) {
    const std::array<FieldValue, 6> values{
        std::int64_t{i + 1}, std::int64_t{model.node_constraint[i]},
        model.node_x[i],     model.node_y[i],
        model.node_z[i],     7.0};
    write_card(out, layouts.node_card, values);
  }
}

// out_element.txt: the element count, then label, material and 8 corners.
void write_element_cards(const GeneratedModel& model, OutputFile& out, const CardLayouts& layouts) {
  write_count(out, model.element_count);
  std::array<FieldValue, 10> values;
  for (std::int32_t e = 0; e < model.element_count; ++e) {
    values[0] = std::int64_t{e + 1};
    values[1] = std::int64_t{model.element_material[e]};
    const ElementCorners& corners = model.element_nodes[e];
    for (std::size_t c = 0; c < 8; ++c) values[2 + c] = std::int64_t{corners[c]};
    write_card(out, layouts.element_card, values);
  }
}

// out_interface.txt: the two side counts of every interface, then the segments
// of each interface, side 1 then side 2, numbered from 1 on each side.
void write_interface_cards(const GeneratedModel& model, OutputFile& out,
                           const CardLayouts& layouts) {
  for (const InterfaceSides& sides : model.interface_segments) {
    write_free(out, {static_cast<std::int64_t>(sides[0].size()),
                     static_cast<std::int64_t>(sides[1].size())});
  }
  for (const InterfaceSides& sides : model.interface_segments) {
    for (const std::vector<Segment>& side : sides) {
      std::int64_t number = 0;
      for (const Segment& segment : side) {
        const std::array<FieldValue, 5> values{++number, std::int64_t{segment[0]},
                                               std::int64_t{segment[1]}, std::int64_t{segment[2]},
                                               std::int64_t{segment[3]}};
        write_card(out, layouts.segment_card, values);
      }
    }
  }
}

// out_load.txt: the nodal load cards (each region's total shared by its nodes,
// load curve 1), the spring-region marker cards, then one block per pressure
// region: its segment count and one card per segment.
void write_load_cards(const GeneratedModel& model, OutputFile& out, const CardLayouts& layouts) {
  std::int64_t load_card_count = 0;
  for (const LoadRegion& region : model.load_regions) {
    load_card_count += static_cast<std::int64_t>(region.load_nodes.size());
  }
  write_count(out, load_card_count);
  for (const LoadRegion& region : model.load_regions) {
    if (region.load_nodes.empty()) continue;
    const double share = region.load_total / static_cast<double>(region.load_nodes.size());
    for (const std::int32_t node : region.load_nodes) {
      const std::array<FieldValue, 4> values{
          std::int64_t{node}, std::int64_t{region.load_direction}, std::int64_t{1}, share};
      write_card(out, layouts.load_card, values);
    }
  }
  for (std::size_t k = 0; k < model.spring_marker_nodes.size(); ++k) {
    const std::array<FieldValue, 3> values{std::int64_t{model.spring_marker_nodes[k]},
                                           model.spring_marker_stiffness[k], 0.0};
    write_card(out, layouts.marker_card, values);
  }
  for (const PressureRegion& region : model.pressure_regions) {
    write_count(out, static_cast<std::int64_t>(region.pressure_segments.size()));
    for (const Segment& segment : region.pressure_segments) {
      const double value = region.pressure_value;
      const std::array<FieldValue, 9> values{std::int64_t{region.pressure_curve},
                                             std::int64_t{segment[0]},
                                             std::int64_t{segment[1]},
                                             std::int64_t{segment[2]},
                                             std::int64_t{segment[3]},
                                             value,
                                             value,
                                             value,
                                             value};
      write_card(out, layouts.pressure_card, values);
    }
  }
}

// The tail of out_spring.txt (its ground node cards are already written): set
// and spring counts, each set's material records, then one discrete element per
// grounded spring joining the model node to its ground node.
void write_spring_cards(const GeneratedModel& model, OutputFile& out, const CardLayouts& layouts) {
  if (model.ground_spring_sets.empty()) return;
  const std::int64_t spring_count = static_cast<std::int64_t>(model.ground_spring_nodes.size());
  const std::array<FieldValue, 2> counts{static_cast<std::int64_t>(model.ground_spring_sets.size()),
                                         spring_count};
  write_card(out, layouts.count_pair, counts);
  std::int64_t set_number = 0;
  for (const GroundSpringSet& set : model.ground_spring_sets) {
    ++set_number;
    const std::array<FieldValue, 2> material{set_number, std::int64_t{1}};
    write_card(out, layouts.count_pair, material);
    const std::array<FieldValue, 2> stiffness{set.ground_spring_stiffness,
                                              std::int64_t{set.ground_spring_type}};
    write_card(out, layouts.spring_stiffness_card, stiffness);
  }
  std::int64_t spring = 0;
  set_number = 0;
  for (const GroundSpringSet& set : model.ground_spring_sets) {
    ++set_number;
    for (std::int32_t k = 0; k < set.ground_spring_count; ++k) {
      const std::int32_t node = model.ground_spring_nodes[static_cast<std::size_t>(spring)];
      ++spring;
      const std::array<FieldValue, 4> values{spring, std::int64_t{node},
                                             std::int64_t{model.node_count} + spring, set_number};
      write_card(out, layouts.spring_element_card, values);
    }
  }
}

}  // namespace

CardFiles CardFiles::create() {
  return CardFiles{OutputFile::create("out_node.txt"), OutputFile::create("out_element.txt"),
                   OutputFile::create("out_interface.txt"), OutputFile::create("out_load.txt"),
                   OutputFile::create("out_spring.txt")};
}

void CardFiles::close() {
  out_node.close();
  out_element.close();
  out_interface.close();
  out_load.close();
  out_spring.close();
}

void write_cards(const GeneratedModel& model, CardFiles& files, const CardLayouts& layouts) {
  write_node_cards(model, files.out_node, layouts);
  write_element_cards(model, files.out_element, layouts);
  write_interface_cards(model, files.out_interface, layouts);
  write_load_cards(model, files.out_load, layouts);
  write_spring_cards(model, files.out_spring, layouts);
}

}  // namespace meridian
