#pragma once
// model.exo (--exodus): the whole analysis as one Exodus II file, the format
// finite-element codes, meshers and post-processors exchange, in netCDF's
// 64-bit-offset classic form (src/netcdf/). It holds:
// - every node of the listing's nodal point table (coordx, coordy, coordz,
//   node_num_map 1..N);
// - one HEX8 block per material, in the order of each material's first
//   element, its elements in listing order (id: the material number, name
//   material_<m>), and with springs a block "springs" of BAR2 elements;
//   elem_num_map gives the listing's element numbers (the springs numbered
//   after the last element);
// - per step (time_whole 1..k): the nodal displacements, averaged stresses
//   and temperatures, the integration-point stresses of every element and
//   the springs' deflections and forces (elem_var_tab says which lives on
//   which block), and the figures of summary.csv as global variables.
// Reals are 4-byte floats, rounded to nearest: a float holds every digit the
// listing prints (at most 6), and the file is half the size of one of
// doubles. A value beyond a float's range is held at the largest float of
// its sign. The file holds no clock time: the same listing gives the same
// bytes.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "files/placed_files.hpp"
#include "model/mesh.hpp"
#include "model/step_values.hpp"

namespace meridian {

// The model the file describes, as the listing gives it. Tables are views
// that must outlive the writer.
struct ExodusModel {
  std::string_view title;    // the listing's title (at most 80 characters are kept)
  std::string_view version;  // the program's, for the QA record
  std::span<const double> node_x, node_y, node_z;  // every node of the table
  std::span<const ElementCorners> element_nodes;
  std::span<const std::int32_t> element_material;
  std::span<const std::int32_t> spring_node1, spring_node2;
  // The nodes of the stress files (their summary figures are summary.csv's).
  std::int32_t node_count = 0;
};

class ExodusFile {
 public:
  // Creates model.exo (checked, and maybe held, through `placed` when
  // given) and writes everything but the steps.
  ExodusFile(const ExodusModel& model, PlacedFiles* placed);
  ~ExodusFile();
  ExodusFile(const ExodusFile&) = delete;
  ExodusFile& operator=(const ExodusFile&) = delete;

  // Appends step `step` (the next one): its values must keep every
  // element's integration-point values (KeptElements::every).
  void add_step(std::int32_t step, const StepValues& values);
  // Sets the number of steps in the file and closes it.
  void finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace meridian
