#include "driver/progress_line.hpp"

#include <algorithm>
#include <utility>

namespace meridian {

ProgressLine::ProgressLine(Sink sink, Clock clock)
    : sink_(std::move(sink)), clock_(std::move(clock)) {}

void ProgressLine::show(std::string_view text) {
  const auto now = clock_();
  if (drawn_ && now - last_ < interval) return;
  std::string line = "\r";
  line += text;
  // Blanks over what a longer text before left on the line.
  if (text.size() < shown_) line.append(shown_ - text.size(), ' ');
  sink_(line);
  shown_ = text.size();
  drawn_ = true;
  last_ = now;
}

void ProgressLine::clear() {
  if (shown_ > 0) {
    std::string line = "\r";
    line.append(shown_, ' ');
    line += '\r';
    sink_(line);
  }
  shown_ = 0;
  drawn_ = false;
}

std::string ProgressLine::reading_text(std::string_view file, std::uint64_t bytes_read,
                                       std::uint64_t file_bytes) {
  const std::uint64_t percent =
      file_bytes == 0 ? 100 : std::min<std::uint64_t>(100, bytes_read * 100 / file_bytes);
  return "meridian: reading " + std::string(file) + " " + std::to_string(percent) + "%";
}

std::string ProgressLine::writing_text(std::int32_t step, std::int32_t step_count) {
  return "meridian: writing step " + std::to_string(step) + " of " + std::to_string(step_count);
}

namespace {

// "12 s", "7 min", "2 h 5 min".
std::string duration_text(std::chrono::seconds time) {
  const long long seconds = time.count();
  if (seconds < 60) return std::to_string(seconds) + " s";
  const long long minutes = seconds / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

}  // namespace

std::string ProgressLine::following_text(std::string_view file, std::int32_t step,
                                         std::int32_t step_count,
                                         std::optional<std::chrono::seconds> quiet,
                                         std::optional<std::chrono::seconds> left) {
  if (step < 0) {
    return "meridian: waiting for " + std::string(file) + " to appear (" +
           duration_text(quiet.value_or(std::chrono::seconds{0})) + ")";
  }
  const std::string what =
      step == 0 ? std::string("the model")
                : "step " + std::to_string(step) + " of " + std::to_string(step_count);
  std::string text = "meridian: following " + std::string(file) + ": ";
  if (quiet) {
    text += "waiting for " + what + ", quiet for " + duration_text(*quiet);
  } else {
    text += "reading " + what;
  }
  if (left) text += ", about " + duration_text(*left) + " left";
  return text;
}

}  // namespace meridian
