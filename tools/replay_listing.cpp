// Writes an existing listing into a file again as a solver would write it: one
// handle held open for the whole run, in chunks of random size that cut lines
// and fields, at a chosen pace and with pauses, optionally stopping before a
// time step's nodal printout or after a given byte. For tests and
// demonstrations of following a listing while it grows. The chunk sizes and
// pauses follow from the seed alone, the same on every system.
//
// Example:
//   replay_listing examples/n3dhsp run/n3dhsp --rate 5 --chunk 1-4000 --pause 0.05,200

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/platform.hpp"

namespace {

namespace platform = meridian::platform;
using Clock = std::chrono::steady_clock;

constexpr const char* usage =
    "usage: replay_listing SOURCE TARGET [--rate MBPS] [--chunk MIN-MAX] [--seed N]\n"
    "                      [--pause P,MS] [--stop-at-step K] [--stop-at-byte B]\n"
    "                      [--linger SECONDS] [--log FILE] [--start-after SECONDS]\n"
    "Writes SOURCE into TARGET (created or emptied) through one open handle, in chunks\n"
    "of MIN..MAX bytes (default 1-65536) drawn from the seed (default 1).\n"
    "  --rate MBPS          at most MBPS * 10^6 bytes per second (default 0: no limit)\n"
    "  --pause P,MS         after each chunk, with probability P, sleep MS milliseconds\n"
    "  --stop-at-step K     stop before the line that starts step K's nodal printout\n"
    "  --stop-at-byte B     stop after B bytes (the earlier of the two stops wins)\n"
    "  --linger SECONDS     hold TARGET open that long after the last byte\n"
    "  --log FILE           a line '<event> <value> <ns since the epoch>' per event:\n"
    "                       start 0, step K (its nodal printout line written), end BYTES\n"
    "  --start-after SECONDS  wait that long before creating TARGET\n";

// The first characters of the line that opens a time step's nodal printout.
constexpr std::string_view nodal_printout = " n o d a l   p r ";

struct BadArgument : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string source, target, log;
  double rate = 0.0;  // megabytes (10^6 bytes) per second; 0: no limit
  std::uint64_t chunk_min = 1, chunk_max = 65536, seed = 1;
  double pause_probability = 0.0;
  std::uint64_t pause_ms = 0;
  std::uint64_t stop_step = 0;  // 0: none
  std::uint64_t stop_byte = std::numeric_limits<std::uint64_t>::max();
  double linger = 0.0, start_after = 0.0;
};

// The whole of `text` as a number (a finite real not below 0, or a count),
// or BadArgument naming `what`.
template <typename Number>
Number number(std::string_view text, const std::string& what) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  bool good = error == std::errc() && end == text.data() + text.size() && !text.empty();
  if constexpr (std::is_floating_point_v<Number>) good = good && std::isfinite(value) && value >= 0;
  if (!good)
    throw BadArgument(what + ": not a number of the kind expected: '" + std::string(text) + "'");
  return value;
}

// The two numbers of "A<separator>B".
template <typename First, typename Second>
std::pair<First, Second> pair_of(std::string_view text, char separator, const std::string& what) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos) {
    throw BadArgument(what + ": expected two numbers joined by '" + separator + "': '" +
                      std::string(text) + "'");
  }
  return {number<First>(text.substr(0, at), what), number<Second>(text.substr(at + 1), what)};
}

Options read_options(const std::vector<std::string>& arguments) {
  Options o;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (!word.starts_with("--")) {
      positional.push_back(word);
      continue;
    }
    if (i + 1 == arguments.size()) throw BadArgument(word + ": missing its value");
    const std::string& value = arguments[++i];
    if (word == "--rate")
      o.rate = number<double>(value, word);
    else if (word == "--chunk")
      std::tie(o.chunk_min, o.chunk_max) = pair_of<std::uint64_t, std::uint64_t>(value, '-', word);
    else if (word == "--seed")
      o.seed = number<std::uint64_t>(value, word);
    else if (word == "--pause")
      std::tie(o.pause_probability, o.pause_ms) = pair_of<double, std::uint64_t>(value, ',', word);
    else if (word == "--stop-at-step") {
      o.stop_step = number<std::uint64_t>(value, word);
      if (o.stop_step == 0) throw BadArgument("--stop-at-step: steps count from 1");
    } else if (word == "--stop-at-byte")
      o.stop_byte = number<std::uint64_t>(value, word);
    else if (word == "--linger")
      o.linger = number<double>(value, word);
    else if (word == "--log")
      o.log = value;
    else if (word == "--start-after")
      o.start_after = number<double>(value, word);
    else
      throw BadArgument("unknown option " + word);
  }
  if (positional.size() != 2) {
    throw BadArgument("expected the two names SOURCE and TARGET, not " +
                      std::to_string(positional.size()));
  }
  // A chunk is held whole for its one write: no more than 1 GiB.
  if (o.chunk_min < 1 || o.chunk_min > o.chunk_max || o.chunk_max > (1u << 30))
    throw BadArgument("--chunk: MIN must be at least 1 and at most MAX, MAX at most 1073741824");
  if (o.pause_probability > 1.0) throw BadArgument("--pause: the probability must lie in 0..1");
  o.source = positional[0];
  o.target = positional[1];
  return o;
}

// The source read in pieces as the replay goes, keeping only what is still
// to be written and a little beyond.
class Source {
 public:
  explicit Source(platform::Handle file) : file_(file) {}

  // The bytes from offset `from` (no earlier than the last call's) up to
  // `to`, fewer at the end of the file.
  std::string_view window(std::uint64_t from, std::uint64_t to) {
    std::size_t start = static_cast<std::size_t>(from - base_);
    if (start >= piece) {  // let go of what was written, a piece at a time
      bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start));
      base_ = from;
      start = 0;
    }
    const std::size_t wanted = start + static_cast<std::size_t>(to - from);
    while (!ended_ && bytes_.size() < wanted) {
      const std::size_t had = bytes_.size();
      bytes_.resize(std::max(wanted, had + piece));
      const std::int64_t got = platform::read_some(file_, bytes_.data() + had, bytes_.size() - had);
      if (got < 0) throw std::runtime_error("cannot read the source: " + platform::last_error());
      bytes_.resize(had + static_cast<std::size_t>(got));
      ended_ = got == 0;
    }
    return std::string_view(bytes_).substr(start, wanted - start);
  }

 private:
  static constexpr std::size_t piece = 1 << 20;
  platform::Handle file_;
  std::string bytes_;  // the source from offset base_ on
  std::uint64_t base_ = 0;
  bool ended_ = false;
};

// The log of events, each line written at once with the wall-clock time, so
// that another process can compare it with its own clock.
class EventLog {
 public:
  explicit EventLog(const std::string& path) {
    if (path.empty()) return;
    file_ = platform::open_file(path, platform::Access::write_truncating);
    if (file_ == platform::no_file)
      throw std::runtime_error("cannot create " + path + ": " + platform::last_error());
  }
  ~EventLog() {
    if (file_ != platform::no_file) platform::close_file(file_);
  }
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  void note(const char* event, std::uint64_t value) {
    if (file_ == platform::no_file) return;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const std::string line =
        std::string(event) + " " + std::to_string(value) + " " + std::to_string(now.count()) + "\n";
    if (!platform::write_all(file_, line.data(), line.size()))
      throw std::runtime_error("cannot write the log: " + platform::last_error());
  }

 private:
  platform::Handle file_ = platform::no_file;
};

void sleep_seconds(double seconds) {
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int replay(const Options& o) {
  const platform::Handle input = platform::open_file(o.source, platform::Access::read);
  if (input == platform::no_file)
    throw std::runtime_error("cannot open " + o.source + ": " + platform::last_error());
  Source source(input);
  EventLog log(o.log);
  std::mt19937_64 random(o.seed);

  sleep_seconds(o.start_after);
  const platform::Handle target = platform::open_file(o.target, platform::Access::write_truncating);
  if (target == platform::no_file)
    throw std::runtime_error("cannot create " + o.target + ": " + platform::last_error());
  const Clock::time_point start = Clock::now();
  log.note("start", 0);

  std::uint64_t written = 0, steps_seen = 0, open_step = 0;
  bool line_start = true, stopped = false;
  std::vector<std::uint64_t> completed;  // steps whose printout line the chunk ends
  while (!stopped && written < o.stop_byte) {
    // Uniform in MIN..MAX by plain arithmetic, the same everywhere (the
    // remainder's bias, below range / 2^64, is negligible).
    const std::uint64_t size = o.chunk_min + random() % (o.chunk_max - o.chunk_min + 1);
    std::uint64_t end = std::min(written + size, o.stop_byte);
    // A line starting near the chunk's end is looked at whole.
    const std::string_view chunk = source.window(written, end + nodal_printout.size());
    end = std::min(end, written + chunk.size());
    if (end == written) break;  // the end of the source
    completed.clear();
    for (std::uint64_t at = written; at < end; ++at) {
      const std::size_t i = static_cast<std::size_t>(at - written);
      if (line_start && chunk.substr(i, nodal_printout.size()) == nodal_printout) {
        if (++steps_seen == o.stop_step) {
          end = at;
          stopped = true;
          break;
        }
        open_step = steps_seen;
      }
      line_start = chunk[i] == '\n';
      if (line_start && open_step != 0) {
        completed.push_back(open_step);
        open_step = 0;
      }
    }
    if (o.rate > 0) {  // no more than rate * t bytes after t seconds
      std::this_thread::sleep_until(
          start + std::chrono::duration_cast<Clock::duration>(
                      std::chrono::duration<double>(static_cast<double>(end) / (o.rate * 1e6))));
    }
    if (end > written &&
        !platform::write_all(target, chunk.data(), static_cast<std::size_t>(end - written))) {
      throw std::runtime_error("cannot write " + o.target + ": " + platform::last_error());
    }
    written = end;
    for (const std::uint64_t step : completed) log.note("step", step);
    // Drawn after every chunk, so that the chunk sizes of a seed are the
    // same with pauses or without.
    const double draw = static_cast<double>(random() >> 11) * 0x1.0p-53;
    if (!stopped && draw < o.pause_probability)
      std::this_thread::sleep_for(std::chrono::milliseconds(o.pause_ms));
  }
  // A printout line that is the source's last, without a line end, is whole
  // once the source is.
  if (open_step != 0 && source.window(written, written + 1).empty()) log.note("step", open_step);
  log.note("end", written);
  sleep_seconds(o.linger);
  const bool closed = platform::close_file(target);
  platform::close_file(input);
  if (!closed) throw std::runtime_error("cannot close " + o.target + ": " + platform::last_error());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::command_line_arguments(argc, argv);
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
    std::fputs(usage, stdout);
    return 0;
  }
  try {
    return replay(read_options(arguments));
  } catch (const BadArgument& e) {
    std::fprintf(stderr, "replay_listing: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "replay_listing: %s\n", e.what());
    return 1;
  }
}
