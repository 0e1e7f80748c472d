#include "driver/writing_while_reading.hpp"

#include <algorithm>
#include <exception>

#include "driver/job_inputs.hpp"
#include "driver/progress_line.hpp"
#include "files/output_file.hpp"
#include "platform/platform.hpp"

namespace meridian {

bool WritingWhileReading::take_steps(const ListingModel& model) {
  if (!writes_while_reading(model)) return false;
  // A followed listing with springs: the spring extracts (which take the
  // last step's forces) and the deck rewrite (the first step's
  // displacements) wait for the end, from the steps kept meanwhile.
  waiting_for_end_ = model.discrete_flag != 0 && (row_.steps.springs || row_.deck_rewrite);
  if (waiting_for_end_) {
    spring_extracts_ = row_.steps.springs;
    row_.steps.springs = false;
    later_ = StepStore(model.node_capacity);
  }
  double deformation_scale = 1.0;
  if (row_.asks_scale) {
    // A followed listing has its question asked once its model is read.
    if (!options_.scale) clear_progress(context_.progress);
    deformation_scale = options_.scale ? *options_.scale : ask_deformation_scale(console_);
  }
  view_ = model_view_of(model);
  results_ = step_results_of(model, deformation_scale);
  // The reader hands over each step; the store is not used.
  results_.steps = nullptr;
  // The reader moves the model out at its end, while the last step may
  // still be written: the writer keeps views of the tables, whose storage
  // stays, and its own title.
  title_ = model.title;
  announced_ = model.announced_step_count;
  context_.placed->hold_results();
  pipeline_.emplace(
      StepPipeline::Work{
          [this] {
            write_views(view_, row_, options_, context_.placed);
            writers_.create(title_, view_, results_, row_, options_, context_, kept_, following());
            if (following()) publish();
          },
          [this](std::int32_t step, const StepValues& values) {
            writers_.write(step, values);
            steps_written_ = step;
            // A listing read faster than it is written has its steps put
            // in place when the reader waits (idle); one already written
            // still shows them now and then.
            if (following() && Clock::now() - published_at_ >= publish_interval) publish();
          },
          [this] { writers_.finish(end_); },
          [this] {
            if (steps_written_ > steps_published_) publish();
          }},
      step_values_for(model, kept_));
  return true;
}

void WritingWhileReading::take_step(std::int32_t step, StepValues& values) {
  if (waiting_for_end_) later_.append(values.node_result, values.node_stress);
  pipeline_->hand_over(step, values);
}

void WritingWhileReading::reading_failed() noexcept {
  if (pipeline_) pipeline_->abandon();
  drop_held();
}

void WritingWhileReading::reader_waiting() {
  if (!pipeline_) return;
  if (const std::exception_ptr failure = pipeline_->failure()) std::rethrow_exception(failure);
  pipeline_->poke();
}

void WritingWhileReading::finish(const ListingModel& model) {
  end_ = stopped_analysis(model);
  const std::exception_ptr failure = pipeline_->finish();
  {
    // A followed run keeps the files in place naming the same steps.
    std::optional<platform::InterruptsDeferred> deferred;
    if (following()) deferred.emplace();
    place_held_results(*context_.placed);
  }
  if (failure) std::rethrow_exception(failure);
  if (row_.deck_rewrite && rewrites_springs(model)) require_input(deck_name);
  if (spring_extracts_) write_spring_extracts(results_, result_names(options_, context_.placed), later_);
}

WritingWhileReading::~WritingWhileReading() {
  if (pipeline_) pipeline_->abandon();
  drop_held();
}

bool WritingWhileReading::writes_while_reading(const ListingModel& model) const {
  // The question is asked once the listing is read, unless it is followed.
  if (row_.asks_scale && !options_.scale && !following()) return false;
  // A followed listing's files are put in place as they are finished.
  if (following()) return true;
  // The spring extract takes every step's forces from the last step, the
  // deck rewrite its displacements from the first.
  const bool springs = model.discrete_flag != 0;
  if (springs && (row_.steps.springs || row_.deck_rewrite)) return false;
  // Each held file keeps a file open and an entry for the interrupt.
  const std::int64_t per_step = 1 + (row_.steps.edge_paths || row_.steps.diagonal_paths ||
                                     row_.steps.axis_lines) +
                                row_.steps.springs + options_.vtk;
  const std::int64_t held = 8 + 2 * std::int64_t{std::max(model.interface_count, 0)} +
                            per_step * std::max(model.step_count, 0);
  constexpr std::int64_t spare = 64;
  return held + spare <= platform::interrupt_entries &&
         held + spare <= platform::raise_open_file_limit();
}

void WritingWhileReading::publish() {
  const platform::InterruptsDeferred deferred;
  writers_.snapshot(AnalysisProgress{steps_written_, announced_, true});
  place_held_so_far(*context_.placed);
  steps_published_ = steps_written_;
  published_at_ = Clock::now();
}

void WritingWhileReading::drop_held() noexcept {
  if (context_.placed != nullptr && context_.placed->holding()) context_.placed->release_held();
}

}  // namespace meridian
