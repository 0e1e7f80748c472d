#include "generator/parameter_file.hpp"

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "generator/block_mesh.hpp"
#include "generator/model_regions.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"

namespace meridian {

namespace {

constexpr std::int32_t max_per_block = 9;  // segments or layers of one block

// Reads the records of parameter_in.txt. Counts and constraint codes are
// one-character reads: the first character of the record's first value, the
// rest of the record being passed over.
class ParameterReader {
 public:
  explicit ParameterReader(InputFile& in) : in_(in) {}

  InputFile& file() { return in_; }

  char read_character(std::string_view what) {
    std::string text(1, ' ');
    const std::array<FieldTarget, 1> targets{TextTarget{&text, 1}};
    require_free(in_, targets, what);
    return text.empty() ? ' ' : text[0];
  }

  void read(std::span<const FieldTarget> targets, std::string_view what) {
    require_free(in_, targets, what);
  }

  // A section's opening: comment records, then the count record; at most `limit`
  // records are read, and when all of them are comments the count stays 0.
  std::int32_t read_count(int limit, std::string_view section) {
    const std::string what = "the count record of the " + std::string(section) + " section";
    for (int read = 0; read < limit; ++read) {
      const char c = read_character(what);
      if (c == '*') continue;
      if (c < '0' || c > '9') {
        in_.fail_here("the count record of the " + std::string(section) +
                      " section must begin with a digit, found \"" + std::string(1, c) + "\"");
      }
      return c - '0';
    }
    return 0;
  }

  void check_block(std::int32_t block, std::size_t block_count, std::string_view item) {
    if (block_count == 0) {
      in_.fail_here(std::string(item) + ": block " + std::to_string(block) +
                    " does not exist (the file defines no block)");
    }
    if (block < 1 || static_cast<std::size_t>(block) > block_count) {
      in_.fail_here(std::string(item) + ": the block number must be 1 to " +
                    std::to_string(block_count) + ", found " + std::to_string(block));
    }
  }

 private:
  InputFile& in_;
};

std::string numbered(std::string_view item, std::int32_t number) {
  return std::string(item) + " " + std::to_string(number);
}

// One direction of a block (record B2, B3 or B4): segment end points, then the
// divisions of each segment, in one read.
void read_direction(ParameterReader& reader, char axis, std::int32_t segment_count,
                    std::int32_t block, std::vector<double>& points,
                    std::vector<std::int32_t>& divisions) {
  points.assign(static_cast<std::size_t>(segment_count) + 1, 0.0);
  divisions.assign(static_cast<std::size_t>(segment_count), 0);
  std::vector<FieldTarget> targets;
  targets.reserve(points.size() + divisions.size());
  for (double& p : points) targets.emplace_back(&p);
  for (std::int32_t& d : divisions) targets.emplace_back(&d);
  const std::string item = numbered("block", block);
  reader.read(targets, "the " + std::string(1, axis) + " points and divisions of " + item);
  for (std::size_t s = 0; s < divisions.size(); ++s) {
    if (divisions[s] < 1) {
      reader.file().fail_here(item + ": the " + std::string(1, axis) + " division of segment " +
                              std::to_string(s + 1) + " is " + std::to_string(divisions[s]) +
                              "; a segment needs at least 1 element");
    }
  }
}

void check_per_block_count(ParameterReader& reader, std::int32_t block, std::string_view name,
                           std::int32_t count) {
  if (count < 1 || count > max_per_block) {
    reader.file().fail_here(numbered("block", block) + ": the " + std::string(name) +
                            " must be 1 to 9, found " + std::to_string(count));
  }
}

// Section 1: the blocks, then the mesh.
void read_blocks(ParameterReader& reader, GeneratedModel& model) {
  const std::int32_t block_count = reader.read_count(20, "blocks");
  std::vector<BlockParameters> blocks(static_cast<std::size_t>(block_count));
  for (std::int32_t b = 1; b <= block_count; ++b) {
    BlockParameters& block = blocks[static_cast<std::size_t>(b - 1)];
    const std::array<FieldTarget, 4> counts{&block.layer_count, &block.x_segment_count,
                                            &block.y_segment_count, &block.z_segment_count};
    reader.read(counts, "the layer and segment counts of " + numbered("block", b));
    check_per_block_count(reader, b, "layer count", block.layer_count);
    check_per_block_count(reader, b, "x segment count", block.x_segment_count);
    check_per_block_count(reader, b, "y segment count", block.y_segment_count);
    check_per_block_count(reader, b, "z segment count", block.z_segment_count);
    read_direction(reader, 'x', block.x_segment_count, b, block.x_points, block.x_divisions);
    read_direction(reader, 'y', block.y_segment_count, b, block.y_points, block.y_divisions);
    read_direction(reader, 'z', block.z_segment_count, b, block.z_points, block.z_divisions);
    block.layer_levels.assign(static_cast<std::size_t>(block.layer_count) + 1, 0.0);
    std::vector<FieldTarget> levels;
    for (double& level : block.layer_levels) levels.emplace_back(&level);
    reader.read(levels, "the layer levels of " + numbered("block", b));
    block.layer_levels_line = reader.file().line_number();
  }
  mesh_blocks(blocks, reader.file().name(), model);
}

[[noreturn]] void stop_on_constraint_code(Console& console) {
  write_free(console.output, {std::string_view{"The constrain number should be 0 to 7"}});
  console.output.flush();
  throw RunStopped(1);
}

// Section 2: constraints until a comment record follows one; each is applied
// as soon as it is read.
void read_constraints(ParameterReader& reader, GeneratedModel& model, Console& console) {
  bool any_read = false;
  std::int32_t block = 0;
  Box box;
  const std::array<FieldTarget, 7> targets{&block,     &box.x_min, &box.x_max, &box.y_min,
                                           &box.y_max, &box.z_min, &box.z_max};
  for (;;) {
    const char c = reader.read_character("a constraint code record");
    if (c == '*') {
      if (!any_read) continue;
      return;
    }
    const int code = c - '0';
    if (code < 0 || code > 7) stop_on_constraint_code(console);
    reader.read(targets, "the block and box of a constraint");
    reader.check_block(block, model.blocks.size(), "constraint");
    apply_constraint(model, block, code, box);
    any_read = true;
  }
}

// Section 3: both sides and the level of every interface are read first, then
// the faces of each side are found.
void read_interfaces(ParameterReader& reader, GeneratedModel& model) {
  const std::int32_t interface_count = reader.read_count(10, "interfaces");
  struct Side {
    std::int32_t block = 0;
    Rectangle rectangle;
  };
  std::vector<std::array<Side, 2>> sides(static_cast<std::size_t>(interface_count));
  std::vector<double> levels(static_cast<std::size_t>(interface_count), 0.0);
  for (std::int32_t i = 0; i < interface_count; ++i) {
    const std::string item = numbered("interface", i + 1);
    for (std::size_t s = 0; s < 2; ++s) {
      Side& side = sides[static_cast<std::size_t>(i)][s];
      const std::array<FieldTarget, 5> targets{&side.block, &side.rectangle.x_min,
                                               &side.rectangle.x_max, &side.rectangle.y_min,
                                               &side.rectangle.y_max};
      const std::string side_item = item + " side " + std::to_string(s + 1);
      reader.read(targets, "the block and rectangle of " + side_item);
      reader.check_block(side.block, model.blocks.size(), side_item);
    }
    const std::array<FieldTarget, 1> level{&levels[static_cast<std::size_t>(i)]};
    reader.read(level, "the level of " + item);
  }
  model.interface_segments.assign(static_cast<std::size_t>(interface_count), InterfaceSides{});
  for (std::size_t i = 0; i < sides.size(); ++i) {
    for (std::size_t s = 0; s < 2; ++s) {
      model.interface_segments[i][s] =
          find_face_segments(model, sides[i][s].block, levels[i], sides[i][s].rectangle);
    }
  }
}

// Section 4: each region selects its nodes as it is read; the forces are set
// once all regions are known.
void read_nodal_loads(ParameterReader& reader, GeneratedModel& model) {
  const std::int32_t load_count = reader.read_count(10, "nodal loads");
  std::int32_t block = 0;
  std::int32_t shape = 0;
  std::int32_t direction = 0;
  double total = 0.0;
  double center_x = 0.0;
  double center_y = 0.0;
  double level = 0.0;
  double radius = 0.0;
  Rectangle rectangle;
  const std::array<FieldTarget, 4> first{&block, &shape, &direction, &total};
  const std::array<FieldTarget, 4> circle{&center_x, &center_y, &level, &radius};
  const std::array<FieldTarget, 5> box{&rectangle.x_min, &rectangle.x_max, &rectangle.y_min,
                                       &rectangle.y_max, &level};
  model.load_regions.reserve(static_cast<std::size_t>(load_count));
  for (std::int32_t l = 1; l <= load_count; ++l) {
    const std::string item = numbered("nodal load", l);
    reader.read(first, "the block, shape, direction and total of " + item);
    reader.check_block(block, model.blocks.size(), item);
    if (shape != 0 && shape != 1) {
      reader.file().fail_here(item +
                              ": the load shape must be 0 (circle) or 1 (rectangle), found " +
                              std::to_string(shape));
    }
    if (direction < 1 || direction > 3) {
      reader.file().fail_here(item + ": the load direction must be 1 to 3, found " +
                              std::to_string(direction));
    }
    LoadRegion region;
    region.load_direction = direction;
    region.load_total = total;
    if (shape == 0) {
      reader.read(circle, "the circle of " + item);
      region.load_nodes = select_circle_nodes(model, block, center_x, center_y, level, radius);
    } else {
      reader.read(box, "the rectangle of " + item);
      region.load_nodes = select_rectangle_nodes(model, block, rectangle, level);
    }
    model.load_regions.push_back(std::move(region));
  }
  assign_nodal_loads(model);
}

// Section 5: spring regions, applied as they are read.
void read_spring_regions(ParameterReader& reader, GeneratedModel& model) {
  const std::int32_t region_count = reader.read_count(10, "spring regions");
  double stiffness = 0.0;
  std::int32_t block = 0;
  Box box;
  const std::array<FieldTarget, 8> targets{&stiffness, &block,     &box.x_min, &box.x_max,
                                           &box.y_min, &box.y_max, &box.z_min, &box.z_max};
  for (std::int32_t r = 1; r <= region_count; ++r) {
    const std::string item = numbered("spring region", r);
    reader.read(targets, "the stiffness, block and box of " + item);
    reader.check_block(block, model.blocks.size(), item);
    apply_spring_region(model, stiffness, block, box);
  }
}

// Section 6: pressure regions; the faces are found as soon as the region's
// first record is read.
void read_pressure_regions(ParameterReader& reader, GeneratedModel& model) {
  const std::int32_t pressure_count = reader.read_count(10, "pressure regions");
  std::int32_t block = 0;
  Rectangle rectangle;
  double level = 0.0;
  std::int32_t curve = 0;
  double pressure = 0.0;
  const std::array<FieldTarget, 6> first{&block,           &rectangle.x_min, &rectangle.x_max,
                                         &rectangle.y_min, &rectangle.y_max, &level};
  const std::array<FieldTarget, 2> second{&curve, &pressure};
  model.pressure_regions.reserve(static_cast<std::size_t>(pressure_count));
  for (std::int32_t p = 1; p <= pressure_count; ++p) {
    const std::string item = numbered("pressure region", p);
    reader.read(first, "the block, rectangle and level of " + item);
    reader.check_block(block, model.blocks.size(), item);
    PressureRegion region;
    region.pressure_segments = find_face_segments(model, block, level, rectangle);
    reader.read(second, "the load curve and pressure of " + item);
    region.pressure_curve = curve;
    region.pressure_value = pressure;
    model.pressure_regions.push_back(std::move(region));
  }
}

// Section 7: grounded springs. Each selected node gets a new ground node,
// numbered after the model's nodes and after the springs of earlier sets, whose
// ground node is handed on at once.
void read_ground_springs(ParameterReader& reader, GeneratedModel& model,
                         const GroundNodeSink& ground_nodes) {
  const std::int32_t set_count = reader.read_count(10, "grounded springs");
  std::int32_t block = 0;
  Box box;
  SpringGrid grid;
  double x_offset = 0.0;
  double y_offset = 0.0;
  double z_offset = 0.0;
  std::int32_t spring_type = 0;
  double stiffness = 0.0;
  std::int32_t scale_by_area = 0;
  const std::array<FieldTarget, 7> candidates{&block,     &box.x_min, &box.x_max, &box.y_min,
                                              &box.y_max, &box.z_min, &box.z_max};
  const std::array<FieldTarget, 6> placement{&grid.x_spacing, &grid.y_spacing, &grid.z_spacing,
                                             &x_offset,       &y_offset,       &z_offset};
  const std::array<FieldTarget, 3> spring{&spring_type, &stiffness, &scale_by_area};
  model.ground_spring_sets.reserve(static_cast<std::size_t>(set_count));
  for (std::int32_t q = 1; q <= set_count; ++q) {
    const std::string item = numbered("grounded-spring set", q);
    reader.read(candidates, "the block and box of " + item);
    reader.check_block(block, model.blocks.size(), item);
    reader.read(placement, "the spacings and offsets of " + item);
    if (grid.x_spacing == 0.0 || grid.y_spacing == 0.0 || grid.z_spacing == 0.0) {
      reader.file().fail_here(item + ": a spacing of 0 places no grid");
    }
    reader.read(spring, "the spring type, stiffness and area scaling of " + item);
    const std::vector<std::int32_t> nodes = select_ground_spring_nodes(model, block, box, grid);
    if (scale_by_area != 0 && nodes.empty()) {
      reader.file().fail_here(item +
                              ": the stiffness is per unit area, but the set selects no node to "
                              "share it");
    }
    GroundSpringSet set;
    set.ground_spring_type = spring_type;
    set.ground_spring_stiffness = stiffness;
    set.ground_spring_count = static_cast<std::int32_t>(nodes.size());
    for (const std::int32_t node : nodes) {
      model.ground_spring_nodes.push_back(node);
      const auto n = static_cast<std::size_t>(node - 1);
      const std::int64_t ground_node = std::int64_t{model.node_count} +
                                       static_cast<std::int64_t>(model.ground_spring_nodes.size());
      ground_nodes(ground_node, model.node_x[n] + x_offset, model.node_y[n] + y_offset,
                   model.node_z[n] + z_offset);
    }
    if (scale_by_area != 0) {
      // The stiffness read is per unit of the box's horizontal area, shared
      // equally by the set's springs.
      const double area = std::fabs((box.x_max - box.x_min) * (box.y_max - box.y_min));
      set.ground_spring_stiffness = area * stiffness / static_cast<double>(nodes.size());
    }
    model.ground_spring_sets.push_back(set);
  }
}

}  // namespace

GeneratedModel read_parameter_file(InputFile& parameter_in, Console& console,
                                   const GroundNodeSink& ground_nodes) {
  GeneratedModel model;
  ParameterReader reader(parameter_in);
  read_blocks(reader, model);
  read_constraints(reader, model, console);
  read_interfaces(reader, model);
  read_nodal_loads(reader, model);
  read_spring_regions(reader, model);
  read_pressure_regions(reader, model);
  read_ground_springs(reader, model, ground_nodes);
  return model;
}

}  // namespace meridian
