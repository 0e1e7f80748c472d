#pragma once
// The listing reader: reads the solver's printed output listing n3dhsp (model
// sections, then every printed time step, strictly forwards) and forms the
// element zones.

#include <cstdint>
#include <functional>
#include <vector>

#include "listing/listing_model.hpp"
#include "files/input_file.hpp"

namespace meridian {

// Takes the time steps as the reader reads them, in place of the step store.
class StepSink {
 public:
  virtual ~StepSink() = default;
  // Once the model sections are read and the zones formed, before the first
  // time step: whether this sink takes the steps (false: they are stored in
  // model.steps as without a sink). The model's tables stay where they are
  // from here on; only the springs' force and deflection change per step.
  virtual bool take_steps(const ListingModel& model) = 0;
  // Step `step` (from 1, in order): its nodal printout (node-major, 4 per
  // node) and averaged stresses (7 per node), and its peak. The sink may swap
  // the two tables for others of the same sizes.
  virtual void take_step(std::int32_t step, std::vector<double>& node_result,
                         std::vector<double>& node_stress, StressPeak peak) = 0;
  // The reading fails after take_steps() said yes: the model is destroyed
  // when this returns, so the sink must be done with it.
  virtual void reading_failed() noexcept = 0;
};

// How a listing is read besides the defaults.
struct ListingReading {
  // A listing that ends within the time steps (an analysis that stopped
  // early, or is still being written) gives its complete steps instead of
  // ending the run: a step is complete once its nodal, element and discrete
  // printouts are read whole, and a last record without its line end is no
  // record. The model then says how many steps are complete
  // (ListingModel::step_count, ended_early).
  bool complete_steps_only = false;
  // Told the number of steps announced once the model sections are read,
  // then the number of each time step once it has been read whole.
  std::function<void(std::int32_t announced)> model_read;
  std::function<void(std::int32_t step)> step_read;
};

// Reads the whole listing forwards: model sections, every time-step block
// (nodal stresses averaged on the way, one block at a time), then forms the
// zones. Bad input (end of file, a field that does not convert, a number used
// as a table position out of its range, counts too large to hold) ends the run
// with a FatalError naming the listing and line.
// The element printout rows are parsed on a second CPU when the process may
// use one and `second_cpu` allows it (the results are the same either way).
ListingModel load_listing(InputFile& listing, bool second_cpu = true, StepSink* sink = nullptr,
                          const ListingReading& reading = {});

}  // namespace meridian
