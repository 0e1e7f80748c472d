#pragma once
// The parameter file parameter_in.txt, read free-form section by section, each
// section generated right after its records are read: blocks (then the mesh),
// constraints, sliding interfaces, nodal loads, spring regions, pressure regions
// and grounded springs (whose ground nodes are handed on while the section is
// read).

#include <cstdint>
#include <functional>

#include "model/generated_model.hpp"
#include "files/input_file.hpp"
#include "files/console.hpp"
#include "files/output_file.hpp"

namespace meridian {

// Takes the ground node of each grounded spring as soon as it is placed: its
// number (after the model's nodes and the earlier ground nodes) and coordinates.
using GroundNodeSink = std::function<void(std::int64_t node_number, double x, double y, double z)>;

// Reads the whole parameter file and returns the model.
// A constraint code other than 0..7 writes "The constrain number should be 0 to 7"
// on the console and throws RunStopped. Input the file format leaves undefined
// (a count record not starting with a digit, a block number outside the model,
// segment or layer counts outside 1..9, a division below 1, a load shape other
// than 0 or 1, a load direction outside 1..3, a spring spacing of 0, an
// area-scaled spring set without nodes, an element in no layer) ends the run with
// a FatalError naming the file and line, before any further card is written.
GeneratedModel read_parameter_file(InputFile& parameter_in, Console& console,
                                   const GroundNodeSink& ground_nodes);

}  // namespace meridian
