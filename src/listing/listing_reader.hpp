#pragma once
// The listing reader: reads the solver's printed output listing n3dhsp (model
// sections, then every printed time step, strictly forwards) and forms the
// element zones.

#include <cstdint>
#include <functional>
#include <vector>

#include "files/input_file.hpp"
#include "listing/listing_model.hpp"
#include "model/step_values.hpp"

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
  // Step `step` (from 1, in order), complete. The sink may swap the values
  // for others whose tables have the same sizes.
  virtual void take_step(std::int32_t step, StepValues& values) = 0;
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
  // The elements whose integration-point values every step keeps
  // (StepValues::element_points, element_peaks).
  KeptElements kept;
  // Told the model once its sections are read (before any time step and
  // before a sink is asked to take the steps; it may end the run), then the
  // number of each time step once it has been read whole.
  std::function<void(const ListingModel& model)> model_read;
  std::function<void(std::int32_t step)> step_read;
};

// Reads the whole listing forwards: model sections, every time-step block
// (nodal stresses averaged on the way, one block at a time), then forms the
// zones. Bad input (end of file, a field that does not convert, a number used
// as a table position out of its range, counts too large to hold) ends the run
// with a FatalError naming the listing and line.
// The element printout rows are parsed on a second CPU when the process may
// use one and `second_cpu` allows it (the results are the same either way).
// The tables of one time step of `model` at their sizes, all zero: the
// nodal ones, the element values `kept` asks for and the springs'.
StepValues step_values_for(const ListingModel& model, const KeptElements& kept);

ListingModel load_listing(InputFile& listing, bool second_cpu = true, StepSink* sink = nullptr,
                          const ListingReading& reading = {});

}  // namespace meridian
