#pragma once
// Following a listing while its solver writes it (--follow): the run waits
// for the listing to appear, reads as far as it goes, then waits for it to
// grow and goes on from where it was, also in the middle of a record. The
// wait ends when the listing has not grown for the quiet limit; a listing
// that shrinks or is replaced by another file (a new analysis started in the
// folder) ends the run. On a terminal the progress line says which step is
// awaited, how long the listing has been quiet and, from the pace of the
// steps so far, about how long the analysis has left.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "files/input_file.hpp"
#include "files/output_file.hpp"

namespace meridian {

class ProgressLine;

class ListingFollower {
 public:
  using Clock = std::chrono::steady_clock;
  // How often a quiet listing is looked at again.
  static constexpr std::chrono::milliseconds poll_interval{50};

  // `quiet_limit`: how long the listing may go without growing before the
  // run takes its end as the end. `progress`: the terminal's line, or null.
  ListingFollower(std::string name, std::chrono::duration<double> quiet_limit,
                  ProgressLine* progress);

  // Waits until the listing exists; ends the run as a missing input file
  // does when it has not appeared within the quiet limit.
  void wait_for_listing();

  // Has the open listing's reader wait for growth at its end
  // (InputFile::follow_growth) with wait_for_growth(). `waiting` is called
  // on every look at a quiet listing (the writer of the steps puts what it
  // has finished in place then); it may end the run.
  void follow(InputFile& listing, std::function<void()> waiting);
  // One look at the end of what the solver has written so far, `bytes_read`
  // of it read: tells `waiting`, ends the run when the listing has shrunk
  // or another file has taken its name, then sleeps a poll interval and
  // says to read again (true), or says that the listing has been quiet for
  // the limit and its end is the end (false).
  bool wait_for_growth(std::uint64_t bytes_read);
  // Told by the reader: the bytes read so far (InputFile::watch_reading).
  ReadWatch reading_watch();
  // Told by the reader: the model sections are read, `announced` steps are
  // to come; then each step as it is read whole (`at`: when).
  void model_read(std::int32_t announced, Clock::time_point at = Clock::now());
  void step_read(std::int32_t step, Clock::time_point at = Clock::now());

  // The time the analysis still needs at the pace of its steps so far, once
  // a step has been read; `now` is when it is asked. Exposed for tests.
  std::optional<std::chrono::seconds> time_left(Clock::time_point now) const;

 private:
  void show(bool waiting, Clock::time_point now);
  // End the run (FatalError) when the listing is shorter than what has been
  // read of it, or when its name now names another file: a new analysis
  // started in the folder.
  void check_not_shrunk(std::uint64_t bytes_read) const;
  void check_not_replaced() const;

  std::string name_;
  std::chrono::duration<double> quiet_limit_;
  ProgressLine* progress_;
  Clock::time_point started_;
  Clock::time_point model_read_at_;  // when the first step began
  Clock::time_point last_step_at_;
  Clock::time_point last_growth_;
  std::uint64_t bytes_seen_ = 0;
  std::int32_t announced_ = -1;  // unknown until the model sections are read
  std::int32_t steps_read_ = 0;
  std::optional<platform::FileIdentity> identity_;
  platform::Handle listing_ = platform::no_file;  // the open listing followed
  std::function<void()> waiting_;
};

}  // namespace meridian
