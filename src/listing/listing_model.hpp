#pragma once
// Everything the listing reader loads from n3dhsp: the counts of the control
// cards, the model tables, the element zones and the per-step results.
//
// Counts keep the values printed in the listing (0 when their section is
// absent); a table sized from a negative count is empty. Tables are indexed
// from 0, position i holding row i+1; node and element numbers stored as
// values are 1-based.

#include <cstdint>
#include <string>
#include <vector>

#include "model/undeformed_model.hpp"
#include "model/step_results.hpp"
#include "model/step_store.hpp"

namespace meridian {

struct ListingModel {
  // The title line of the title block, without its page number and the
  // blanks around it (empty when the listing has no title block).
  std::string title;
  // CONTROL CARD # 2
  std::int32_t node_capacity = 0;
  std::int32_t element_capacity = 0;
  std::int32_t interface_count = 0;
  std::int32_t discrete_flag = 0;
  // CONTROL CARD # 3: the printed time steps. A listing read for its
  // complete steps (ListingReading) that ends within the time steps keeps the
  // complete ones: step_count is then their number, announced_step_count the
  // number the card announces (otherwise the two are equal).
  std::int32_t step_count = 0;
  std::int32_t announced_step_count = 0;
  // Read so, the message of the value that ended the complete steps when the
  // step after them holds one that is not a number (empty otherwise).
  std::string unreadable_value;
  // CONTROL CARD # 4
  std::int32_t load_case_count = 0;
  std::int32_t point_load_count = 0;
  // CONTROL CARD # 7
  std::int32_t temperature_flag = 0;
  // DISCRETE ELEMENT section
  std::int32_t spring_type_count = 0;
  std::int32_t spring_count = 0;
  // Nodes written to the model views: node_capacity, or with discrete elements
  // the number of nodes that are corners of hexahedra.
  std::int32_t node_count = 0;
  std::int32_t zone_count = 0;

  // Per node (node_capacity rows).
  std::vector<std::int32_t> node_constraint;
  std::vector<double> node_x, node_y, node_z;
  // Node-major, 3 x load_case_count columns per node: column 3(k-1)+d of node
  // i at (i-1)*3*load_case_count + 3(k-1) + d-1.
  std::vector<double> nodal_loads;
  std::vector<double> node_temperature;

  // Per element (element_capacity rows).
  std::vector<ElementCorners> element_nodes;
  std::vector<std::int32_t> element_material;
  std::vector<std::int32_t> element_zone;
  std::vector<std::int32_t> zone_element_counts;  // zone_count entries

  // One entry per interface; [0] master side, [1] slave side.
  std::vector<InterfaceSides> interface_segments;

  // Springs (spring_count rows) and spring-damper types (spring_type_count).
  std::vector<std::int32_t> spring_node1, spring_node2;
  std::vector<std::int32_t> spring_type_direction;
  std::vector<std::int32_t> spring_direction;
  std::vector<double> spring_type_stiffness;
  std::vector<double> spring_stiffness;
  // From the discrete printout of the last time-step block read.
  std::vector<double> spring_force, spring_deflection;

  // node_result and node_stress of every time-step block, in order.
  // The values of every time-step block, in order (their peaks among
  // them).
  StepStore steps;
};

// Whether the listing ended before the time steps it announces were complete.
inline bool ended_early(const ListingModel& model) {
  return model.step_count < model.announced_step_count;
}

// The model tables as the model views take them.
ModelView model_view_of(const ListingModel& model);

// The model and results as the step writers take them.
StepResults step_results_of(const ListingModel& model, double deformation_scale);

}  // namespace meridian
