#pragma once
// Writing a listing's files while it is read, and putting them in place as
// they are finished while a listing is followed (publish()).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "driver/job_table.hpp"
#include "driver/listing_writers.hpp"
#include "driver/run_options.hpp"
#include "driver/step_pipeline.hpp"
#include "files/console.hpp"
#include "listing/listing_reader.hpp"
#include "model/step_store.hpp"

namespace meridian {

// The listing's files written while it is read, where nothing waits for an
// answer and no file needs a later step than the one being written: the model
// views once the model sections are read, each step's files while the next
// step is read. Every file is held under its temporary name until the listing
// has been read whole, so a listing that fails part-way leaves every result
// as it was; a followed listing instead has its files put in place as they
// are finished (publish()).
class WritingWhileReading final : public StepSink {
 public:
  WritingWhileReading(const JobRow& row, const RunOptions& options, const RunContext& context,
                      Console& console, const KeptElements& kept)
      : row_(row), options_(options), context_(context), console_(console), kept_(kept) {}

  bool took_steps() const { return pipeline_.has_value(); }
  // The steps kept for what waits for the end (empty unless something does).
  const StepStore& kept_steps() const { return later_; }

  bool take_steps(const ListingModel& model) override;

  void take_step(std::int32_t step, StepValues& values) override;

  void reading_failed() noexcept override;

  // The reader of a followed listing waits for more: the writer puts in
  // place what it has finished. A failure of the writing ends the run now
  // instead of when the listing is complete.
  void reader_waiting();

  // The listing has been read whole: waits for the last step's files, puts
  // every held file in place in order, then reports the first failure of the
  // writing, if any (the files finished before it stay in place).
  void finish(const ListingModel& model);

  ~WritingWhileReading() override;

 private:
  using Clock = std::chrono::steady_clock;
  // How often a followed listing read without waiting has its steps put in
  // place.
  static constexpr std::chrono::seconds publish_interval{1};

  bool following() const { return options_.follow_seconds.has_value(); }

  // Whether this run's files can be written while the listing is read.
  bool writes_while_reading(const ListingModel& model) const;

  // On the writing thread: the files finished so far go in place, with the
  // time series, summary and page of exactly the steps among them. No
  // interrupt comes between the two, so the files in place always agree.
  void publish();

  void drop_held() noexcept;

  // The job's row, without the spring extracts when they wait for the end.
  JobRow row_;
  const RunOptions& options_;
  RunContext context_;
  Console& console_;
  const KeptElements& kept_;
  std::string title_;
  ModelView view_;
  StepResults results_;
  ListingWriters writers_;
  std::int32_t announced_ = 0;
  // The writing thread's: the steps written and put in place, and when.
  std::int32_t steps_written_ = 0;
  std::int32_t steps_published_ = 0;
  Clock::time_point published_at_ = Clock::now();
  // How the analysis ended, for the report, set before the last step's
  // files are finished.
  std::optional<AnalysisProgress> end_;
  std::optional<StepPipeline> pipeline_;
  // What waits for the end of a followed listing with springs, and the
  // steps kept for it.
  bool waiting_for_end_ = false;
  bool spring_extracts_ = false;
  StepStore later_;
};

}  // namespace meridian
