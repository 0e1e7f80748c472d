#pragma once
// The card-file writer: the generated model as NIKE3D input cards in
// out_node.txt, out_element.txt, out_interface.txt, out_load.txt and
// out_spring.txt.

#include <cstdint>
#include <span>

#include "model/generated_model.hpp"
#include "files/output_file.hpp"
#include "records/layout.hpp"

namespace meridian {

// The five card files, created together when a generator run starts (before
// the parameter file is read, so they exist even when it turns out bad) and
// closed in the same order when it ends.
struct CardFiles {
  OutputFile out_node;
  OutputFile out_element;
  OutputFile out_interface;
  OutputFile out_load;
  OutputFile out_spring;

  // Creates (or empties) the five files in the current directory, in order.
  static CardFiles create();
  // Closes the five files in the order they were created.
  void close();
};

// The card layouts, parsed once per run.
struct CardLayouts {
  Layout node_card{"(I8,I5,3E20.13,F5.0)"};
  Layout element_card{"(I8,I5,8I8)"};
  Layout segment_card{"(I8,4I8)"};
  Layout load_card{"(I8,2I5,F10.3)"};
  Layout marker_card{"(I8,2E10.3)"};
  Layout pressure_card{"(I5,4I8,4E10.4)"};
  Layout count_pair{"(2I5)"};
  Layout spring_stiffness_card{"(E10.3,I2)"};
  Layout spring_element_card{"(I5,2I8,I5)"};
};

// Renders one card (a single record: no more values than the layout has data
// fields) straight into the file's buffer, ending it with CR LF.
void write_card(OutputFile& out, const Layout& layout, std::span<const FieldValue> values);

// The node card of the ground node of one grounded spring: fully fixed (code 7),
// rotations fixed (7.0). Written while the grounded springs are generated.
void write_ground_node_card(OutputFile& out_spring, const CardLayouts& layouts,
                            std::int64_t node_number, double x, double y, double z);

// Writes every card not yet written: all of out_node.txt, out_element.txt,
// out_interface.txt and out_load.txt, and the tail of out_spring.txt after the
// ground node cards. Closes no file.
void write_cards(const GeneratedModel& model, CardFiles& files, const CardLayouts& layouts);

}  // namespace meridian
