#pragma once
// Hands the time steps from the thread that reads the listing to a thread that
// writes their files, one step apart: step s is written while step s + 1 is
// read. Two sets of step tables take turns; the reader waits only when the
// writer is still busy with the step before.
//
// The writing thread handles the interrupts while it lives (the reading
// thread passes them on to it), since it is the one that creates and closes
// files.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "model/step_values.hpp"
#include "platform/platform.hpp"

namespace meridian {

class StepPipeline {
 public:
  // What the writing thread does: `start` first, `write` for every step
  // handed over, `finish` after the last, and `idle` (when given) whenever
  // poke() finds it with no step to write. After a failure of any of them
  // (kept for finish()) it writes nothing more but keeps taking the steps.
  struct Work {
    std::function<void()> start;
    std::function<void(std::int32_t step, const StepValues& values)> write;
    std::function<void()> finish;
    std::function<void()> idle;
  };

  // Starts the writing thread; `shape` has the sizes of every step's tables.
  StepPipeline(Work work, const StepValues& shape);
  // Abandons what is not finished (see abandon()).
  ~StepPipeline();
  StepPipeline(const StepPipeline&) = delete;
  StepPipeline& operator=(const StepPipeline&) = delete;

  // Hands over step `step`: the values are swapped with the set the writer
  // is done with (same sizes).
  void hand_over(std::int32_t step, StepValues& values);
  // Has the writer run `idle` once it has no step to write (the reader waits
  // for more of the listing).
  void poke();
  // The first failure of the writing side so far, or null.
  std::exception_ptr failure();
  // No more steps: waits until the writer has written every step and run
  // `finish`; then the first failure of the writing side, or null.
  std::exception_ptr finish();
  // The reading failed: the writer stops after the step it is writing (the
  // files it has open are left unfinished, which removes them) and is waited
  // for.
  void abandon() noexcept;

 private:
  void run() noexcept;
  void stop() noexcept;

  Work work_;
  std::optional<platform::InterruptsOnOtherThreads> interrupts_elsewhere_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // The step waiting for the writer (or being written): full from hand_over
  // until the writer is done with it.
  StepValues values_;
  std::int32_t step_ = 0;
  bool full_ = false;
  bool poked_ = false;
  bool no_more_ = false;
  bool abandoned_ = false;
  bool finished_ = false;
  std::exception_ptr failure_;
  std::thread writer_;
};

}  // namespace meridian
