#pragma once
// The model views: model_load.dat (undeformed model with constraint flags,
// spring flags, loads and temperatures, one brick zone per zone) and, when
// asked for, one Tecplot zone file per side of each sliding interface.

#include "model/file_names.hpp"
#include "model/undeformed_model.hpp"

namespace meridian {

// What write_model_view writes besides model_load.dat.
struct ViewOptions {
  bool interface_zones = false;  // interface_m_<c>.dat and interface_s_<c>.dat
  ResultNames names{};           // <c>, and the run's placed files
};

void write_model_view(const ModelView& view, const ViewOptions& options);

}  // namespace meridian
