#pragma once
// One line of progress on a terminal, rewritten in place: the share of the
// listing read, then the step being written. It is drawn with a carriage
// return and erased with blanks before anything else is written to the
// terminal and when the run ends. Updates come at most ten times a second;
// the clock and the sink are passed in, so tests can drive both.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace meridian {

class ProgressLine {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Sink = std::function<void(std::string_view)>;

  // The shortest time between two updates of the line.
  static constexpr std::chrono::milliseconds interval{100};

  ProgressLine(Sink sink, Clock clock);

  // Shows `text` unless the line was drawn less than `interval` ago (the
  // first text is always shown).
  void show(std::string_view text);
  // Erases the line when one is shown; the next show() draws at once.
  void clear();

  // The texts of the run's phases.
  static std::string reading_text(std::string_view file, std::uint64_t bytes_read,
                                  std::uint64_t file_bytes);
  static std::string writing_text(std::int32_t step, std::int32_t step_count);
  // Following a listing being written: `step` is the step read or awaited
  // (0: the model sections; negative: the listing does not exist yet),
  // `quiet` how long the listing has not grown while it is awaited, `left`
  // the estimated time the analysis still needs.
  static std::string following_text(std::string_view file, std::int32_t step,
                                    std::int32_t step_count,
                                    std::optional<std::chrono::seconds> quiet,
                                    std::optional<std::chrono::seconds> left);

 private:
  Sink sink_;
  Clock clock_;
  std::size_t shown_ = 0;  // characters on the line now
  bool drawn_ = false;     // a text has been drawn since the last clear()
  std::chrono::steady_clock::time_point last_;
};

// Erases the line, when there is one.
inline void clear_progress(ProgressLine* progress) {
  if (progress != nullptr) progress->clear();
}

}  // namespace meridian
