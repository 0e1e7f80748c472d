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

}  // namespace meridian
