#pragma once
// The tables of a post-processing run, owned by a test, handed to the step
// writer through view(); write_step_results writes every stored step.

#include <cstdint>
#include <vector>

#include "results/step_writer.hpp"
#include "model/step_store.hpp"

namespace meridian::testing {

// The tables of a run, owned by the test.
struct RunTables {
  double scale = 1.0;
  std::int32_t node_count = 0;
  std::vector<double> x, y, z;
  std::vector<ElementCorners> elements;
  std::vector<std::int32_t> materials, zones;
  std::vector<InterfaceSides> interfaces;
  std::vector<std::int32_t> spring_node1, spring_node2, spring_direction;
  std::vector<double> stiffness, deflection, force;
  StepStore store;

  explicit RunTables(std::int32_t nodes) : node_count(nodes), store(nodes) {
    x.assign(nodes, 0.0);
    y.assign(nodes, 0.0);
    z.assign(nodes, 0.0);
  }
  void add_step(const std::vector<double>& result, const std::vector<double>& stress) {
    store.append(result, stress);
  }
  void add_quiet_steps(int count) {
    for (int s = 0; s < count; ++s) {
      add_step(std::vector<double>(x.size() * 4, 0.0), std::vector<double>(x.size() * 7, 0.0));
    }
  }
  StepResults view() const {
    StepResults r;
    r.deformation_scale = scale;
    r.node_count = node_count;
    r.node_x = x;
    r.node_y = y;
    r.node_z = z;
    r.element_nodes = elements;
    r.element_material = materials;
    r.zone_element_counts = zones;
    r.interface_segments = interfaces;
    r.spring_node1 = spring_node1;
    r.spring_node2 = spring_node2;
    r.spring_direction = spring_direction;
    r.spring_stiffness = stiffness;
    r.spring_deflection = deflection;
    r.spring_force = force;
    r.node_capacity = store.node_capacity();
    r.step_count = store.step_count();
    r.steps = &store;
    return r;
  }
};

// Every stored step's files, in order, as a run that reads its listing first
// writes them (nothing without a stored step).
inline void write_step_results(const StepResults& results, const StepOutputs& outputs) {
  if (results.steps == nullptr || results.steps->step_count() <= 0) return;
  StepWriter writer(results, outputs);
  std::vector<double> node_result, node_stress;
  for (std::int32_t s = 1; s <= results.steps->step_count(); ++s) {
    results.steps->load(s, node_result, node_stress);
    writer.write(s, node_result, node_stress);
  }
  writer.finish();
}

}  // namespace meridian::testing
