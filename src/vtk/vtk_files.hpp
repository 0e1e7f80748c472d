#pragma once
// VTK XML files of the model and its results, as ParaView and VisIt open them:
// model.vtu (the model of model_load.dat), model_interfaces.vtu (the sides of
// the sliding interfaces), model_stress_NNNNN.vtu per printed step (NNNNN the
// step number, zero-padded to five digits) and model_stress.pvd (the time
// series of the step files).
//
// Every file is an UnstructuredGrid (version 1.0, header_type UInt64,
// LittleEndian) with all arrays in one raw appended block: reals as Float64,
// exactly the doubles the program holds; connectivity and offsets Int64, cell
// types UInt8. Points are all nodes of the model at their undeformed
// coordinates; a cell with a node outside the points is left out.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "model/undeformed_model.hpp"
#include "model/step_results.hpp"
#include "files/placed_files.hpp"

namespace meridian {

struct VtkModelOptions {
  // Name of the point array that holds ModelView::node_temperature (the
  // generated model's view carries the spring-region stiffness there).
  std::string_view temperature_name = "temperature";
  // The run's placed files, against which each file is checked and where it
  // may be held (files/placed_files.hpp); null: none.
  PlacedFiles* placed = nullptr;
};

// Writes model.vtu and, when the model has sliding interfaces,
// model_interfaces.vtu.
void write_model_vtk(const ModelView& view, const VtkModelOptions& options);

// The step files of one run. The points and cells, the same in every step, are
// prepared once.
class VtkSteps {
 public:
  // `placed`: as VtkModelOptions::placed.
  explicit VtkSteps(const StepResults& results, PlacedFiles* placed = nullptr);
  ~VtkSteps();
  VtkSteps(const VtkSteps&) = delete;
  VtkSteps& operator=(const VtkSteps&) = delete;

  // Writes model_stress_NNNNN.vtu of step `step` from its nodal printout
  // (node-major, 4 per node: x, y, z displacement, temperature) and averaged
  // stresses (node-major, 7 per node: XX, YY, ZZ, XY, YZ, ZX, effective).
  void write_step(std::int32_t step, std::span<const double> node_result,
                  std::span<const double> node_stress);
  // Writes model_stress.pvd naming every step file written, with its step
  // number as the time step.
  void write_collection() const;

 private:
  struct Shared;
  std::unique_ptr<Shared> shared_;
};

}  // namespace meridian
