#include "driver/step_pipeline.hpp"

#include <utility>

namespace meridian {

StepPipeline::StepPipeline(Work work, const StepValues& shape)
    : work_(std::move(work)), values_(shape) {
  // From here to the end of the writing the interrupts go to the writer.
  interrupts_elsewhere_.emplace();
  try {
    writer_ = std::thread([this] { run(); });
  } catch (...) {
    interrupts_elsewhere_.reset();
    throw;
  }
}

StepPipeline::~StepPipeline() { abandon(); }

void StepPipeline::run() noexcept {
  platform::take_interrupts_on_this_thread();
  const auto attempt = [this](const auto& action) {
    if (failure_) return;
    try {
      action();
    } catch (...) {
      // Called with the lock free: failure() reads it from the reader.
      const std::lock_guard failed(mutex_);
      failure_ = std::current_exception();
    }
  };
  attempt([this] { work_.start(); });
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return full_ || poked_ || no_more_ || abandoned_; });
    if (abandoned_) return;
    if (!full_ && poked_ && !no_more_) {
      poked_ = false;
      lock.unlock();
      if (work_.idle) attempt([this] { work_.idle(); });
      lock.lock();
      continue;
    }
    if (!full_) break;  // no more steps
    // The tables are the writer's until it marks them empty: the reader
    // waits for that before it hands over the next step.
    lock.unlock();
    attempt([this] { work_.write(step_, values_); });
    lock.lock();
    full_ = false;
    changed_.notify_all();
  }
  lock.unlock();
  attempt([this] { work_.finish(); });
  lock.lock();
  finished_ = true;
  changed_.notify_all();
}

void StepPipeline::hand_over(std::int32_t step, StepValues& values) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !full_ || abandoned_; });
  if (abandoned_) return;
  std::swap(values_, values);
  step_ = step;
  full_ = true;
  changed_.notify_all();
}

void StepPipeline::poke() {
  std::lock_guard lock(mutex_);
  poked_ = true;
  changed_.notify_all();
}

std::exception_ptr StepPipeline::failure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::exception_ptr StepPipeline::finish() {
  {
    std::lock_guard lock(mutex_);
    no_more_ = true;
    changed_.notify_all();
  }
  stop();
  return failure_;
}

void StepPipeline::abandon() noexcept {
  {
    std::lock_guard lock(mutex_);
    if (!finished_) abandoned_ = true;
    changed_.notify_all();
  }
  stop();
}

void StepPipeline::stop() noexcept {
  if (writer_.joinable()) writer_.join();
  interrupts_elsewhere_.reset();
}

}  // namespace meridian
