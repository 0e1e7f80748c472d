#pragma once
// What the later sections of the parameter file place on the meshed blocks:
// constraint codes, nodal loads, face segments of interfaces and pressure
// regions, spring regions and the nodes of grounded springs. Every selection
// visits only the nodes or elements of its block, in ascending order, and
// compares the stored coordinates exactly with inclusive bounds. Block numbers
// are 1-based and must lie in 1..blocks.size() (the reader checks them).

#include <cstdint>
#include <vector>

#include "model/generated_model.hpp"

namespace meridian {

struct Box {
  double x_min = 0.0, x_max = 0.0, y_min = 0.0, y_max = 0.0, z_min = 0.0, z_max = 0.0;
};

struct Rectangle {
  double x_min = 0.0, x_max = 0.0, y_min = 0.0, y_max = 0.0;
};

// The code a node with boundary code `old_code` (0..7) gets when a constraint
// with code `new_code` (0..7) reaches it: two single directions join into their
// pair, a single direction and the pair of the other two join into 7, 7 stays
// 7, and every other combination takes the new code.
std::int32_t combine_constraint(std::int32_t old_code, std::int32_t new_code);

// Applies code `code` to the nodes of `block` inside `box`; nodes with code 7
// are never changed.
void apply_constraint(GeneratedModel& model, std::int32_t block, std::int32_t code, const Box& box);

// Nodes of `block` at z == level whose horizontal distance from the centre is at
// most `radius`.
std::vector<std::int32_t> select_circle_nodes(const GeneratedModel& model, std::int32_t block,
                                              double center_x, double center_y, double level,
                                              double radius);
// Nodes of `block` at z == level inside the rectangle.
std::vector<std::int32_t> select_rectangle_nodes(const GeneratedModel& model, std::int32_t block,
                                                 const Rectangle& rectangle, double level);

// Sets the nodal force table from the load regions: all forces 0, then for each
// region with nodes, in order, its share total / node count is assigned (not
// added) in its direction at each of its nodes.
void assign_nodal_loads(GeneratedModel& model);

// Element faces of `block` at z == level whose four corners lie in the
// rectangle: an element whose corner 1 lies at the level offers its bottom face
// (corners 1-4), otherwise one whose corner 5 lies there its top face (5-8).
// Segments come in element order.
std::vector<Segment> find_face_segments(const GeneratedModel& model, std::int32_t block,
                                        double level, const Rectangle& rectangle);

// Gives the nodes of `block` inside `box` the stiffness (a later region
// overwrites) and appends the region's marker entries: its first selected node,
// and its last one when it selected more than one.
void apply_spring_region(GeneratedModel& model, double stiffness, std::int32_t block,
                         const Box& box);

struct SpringGrid {
  double x_spacing = 0.0, y_spacing = 0.0, z_spacing = 0.0;
};

// Nodes of `block` inside `box` lying on the spring grid: the exact remainders
// (quotient truncated toward zero, as std::fmod) of x, y and z by the spacings
// are all 0. Spacings must not be 0 (the reader checks them).
std::vector<std::int32_t> select_ground_spring_nodes(const GeneratedModel& model,
                                                     std::int32_t block, const Box& box,
                                                     const SpringGrid& grid);

}  // namespace meridian
