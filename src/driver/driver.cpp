#include "driver/driver.hpp"

#include <array>
#include <chrono>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "driver/run_job.hpp"
#include "driver/progress_line.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "records/free_form.hpp"
#include "files/temporary_file.hpp"

namespace meridian {
namespace {

// Writes text to standard output (1) or error (2), ignoring failures (the run
// is ending).
void write_to_stream(int stream, std::string_view text) {
  const platform::Handle file = platform::standard_stream(stream);
  if (file != platform::no_file) platform::write_all(file, text.data(), text.size());
}

// Console texts end with CR LF, like every record the program writes.
std::string as_console_lines(std::string_view text) {
  std::string framed;
  for (const char c : text) {
    if (c == '\n') framed += '\r';
    framed += c;
  }
  return framed;
}

// The line of a run that wrote the complete steps of a listing that ends
// before its announced steps.
std::string partial_message(const ListingEnd& end) {
  const std::int32_t k = end.complete_steps;
  const std::string step = "time step " + std::to_string(k + 1) + " of the " +
                           std::to_string(end.announced_steps) + " that control card 3 announces";
  // A value that is not a number: where it is and what it reads, then the
  // step it leaves unreadable.
  std::string text = end.unreadable_value.empty()
                         ? "n3dhsp ends in " + step + "; "
                         : end.unreadable_value + "; " + step + " cannot be read; ";
  if (k == 0) return text + "no step is complete, the model files are written";
  if (k == 1) return text + "the 1 complete step is written";
  return text + "the " + std::to_string(k) + " complete steps are written";
}

// The second line of a usage error, as GNU tools have it.
constexpr std::string_view try_help_line = "Try 'meridian --help' for more information.\n";

}  // namespace

int run_program(std::span<const std::string> arguments) {
  const CommandLine command = parse_command_line(arguments);
  switch (command.action) {
    case CommandLine::Action::help:
      write_to_stream(1, as_console_lines(usage_text()));
      return 0;
    case CommandLine::Action::version:
      write_to_stream(1, as_console_lines(std::string("meridian ") + MERIDIAN_VERSION + "\n"));
      return 0;
    case CommandLine::Action::usage_error:
      write_to_stream(2, as_console_lines("meridian: " + command.error + "\n" + std::string(try_help_line)));
      return 2;
    case CommandLine::Action::run:
      break;
  }
  if (!command.directory.empty() && !platform::change_directory(command.directory)) {
    write_to_stream(2, as_console_lines("meridian: cannot change to the directory \"" +
                                  command.directory + "\": " + platform::last_error() + "\n" +
                                  std::string(try_help_line)));
    return 2;
  }
  // Results are written under temporary names: an interrupted run removes its
  // own, and leftovers of killed runs in this folder go now.
  platform::install_interrupt_cleanup();
  remove_stale_temporaries(".");
  InputFile input = InputFile::standard_input();
  OutputFile output = OutputFile::standard_output();
  Console console{input, output};
  // Progress is shown only on a terminal: elsewhere standard error carries the
  // same bytes as without it.
  std::optional<ProgressLine> progress;
  if (platform::is_terminal(2)) {
    progress.emplace([](std::string_view text) { write_to_stream(2, text); },
                     [] { return std::chrono::steady_clock::now(); });
  }
  ProgressLine* shown = progress ? &*progress : nullptr;
  // Before a message, the progress line goes.
  const auto end_progress = [shown] {
    if (shown != nullptr) shown->clear();
  };
  try {
    const ListingEnd end = run_job(command.job_code, command.options, console, shown);
    end_progress();
    output.flush();
    if (end.early()) {
      // Only --partial and --follow get here: without them the run has failed.
      write_to_stream(2, as_console_lines("meridian: " + partial_message(end) + "\n"));
      return partial_exit_status;
    }
    return 0;
  } catch (const FatalError& error) {
    end_progress();
    try {
      output.flush();
    } catch (...) {
    }
    write_to_stream(2, as_console_lines(std::string("meridian: ") + error.what() + "\n"));
    return fatal_exit_status;
  } catch (const RunStopped& stop) {
    end_progress();
    try {
      output.flush();
    } catch (...) {
    }
    return stop.status();
  } catch (const std::bad_alloc&) {
    end_progress();
    try {
      output.flush();
    } catch (...) {
    }
    write_to_stream(2, as_console_lines("meridian: out of memory\n"));
    return fatal_exit_status;
  }
}

}  // namespace meridian
