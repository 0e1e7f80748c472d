#include "vtk/vtk_files.hpp"

#include <stdexcept>

namespace meridian {

// The writer itself comes with the next change; until then asking for VTK
// files is a programming error.
struct VtkSteps::Shared {};

void write_model_vtk(const ModelView&, const VtkModelOptions&) {
  throw std::logic_error("VTK output is not built yet");
}

VtkSteps::VtkSteps(const StepResults&) { throw std::logic_error("VTK output is not built yet"); }
VtkSteps::~VtkSteps() = default;
void VtkSteps::write_step(std::int32_t, std::span<const double>, std::span<const double>) {}
void VtkSteps::write_collection() const {}

}  // namespace meridian
