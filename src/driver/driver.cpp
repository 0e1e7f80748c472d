#include "driver/driver.hpp"

#include <array>
#include <chrono>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "driver/jobs.hpp"
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
void write_all(int stream, std::string_view text) {
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
  std::string text = "n3dhsp ends in time step " + std::to_string(k + 1) + " of the " +
                     std::to_string(end.announced_steps) + " that control card 3 announces; ";
  if (k == 0) return text + "no step is complete, the model files are written";
  if (k == 1) return text + "the 1 complete step is written";
  return text + "the " + std::to_string(k) + " complete steps are written";
}

// The second line of a usage error, as GNU tools have it.
constexpr std::string_view try_help_line = "Try 'meridian --help' for more information.\n";

}  // namespace

std::string usage_text() {
  std::string text = "Usage: meridian [--job N] [--scale F] [-C DIR] [--vtk] [--portable-names] [--report]\n"
         "                [--partial] [--follow[=SECONDS]]\n"
         "       meridian --help\n"
         "       meridian --version\n"
         "\n"
         "Post-processes the NIKE3D listing n3dhsp in the current directory into Tecplot files.\n"
         "All file names are fixed; every file is read or written in the current directory.\n"
         "\n"
         "Options:\n"
         "  --job N, --job=N      the job to run, 0 to 6 (without it the job is 1)\n"
         "  --scale F, --scale=F  the deformation scale factor of job 1: nothing is asked\n"
         "  -C DIR, --directory DIR, --directory=DIR\n"
         "                        run in DIR, as if started there\n"
         "  --vtk                 also write VTK files for ParaView: model.vtu (and\n"
         "                        model_interfaces.vtu), model_stress_NNNNN.vtu per step\n"
         "                        and the time series model_stress.pvd\n"
         "  --portable-names      step and interface numbers of 10 and more written in\n"
         "                        decimal in file names (model_stress_10.dat, not\n"
         "                        model_stress_:.dat): names that Windows, exFAT and\n"
         "                        file systems that ignore letter case can hold\n"
         "  --report              also write summary.csv (a row per printed time step:\n"
         "                        peak displacement, peak nodal and integration-point\n"
         "                        effective stress, temperature range; runs that read\n"
         "                        n3dhsp) and report.html, one page to open in a browser\n"
         "                        offline: the summary table and chart and the deformed\n"
         "                        model in 3D\n"
         "  --partial             a listing that ends before the time steps it announces\n"
         "                        are complete (an analysis that stopped early) gives\n"
         "                        the files of its complete steps; the run then ends\n"
         "                        with status 3\n"
         "  --follow[=SECONDS]    follow n3dhsp while the solver writes it: wait for it\n"
         "                        to appear and to grow, put model_load.dat in place\n"
         "                        once the model is read and each step's files as soon\n"
         "                        as the step is complete (model_stress.pvd, summary.csv\n"
         "                        and report.html name the steps in place); ends when\n"
         "                        the announced steps are complete, or as --partial\n"
         "                        when n3dhsp has not grown for SECONDS (600). Job 6\n"
         "                        with springs and job 4 write their step files when\n"
         "                        the run ends (the spring extract takes the last\n"
         "                        step's forces)\n"
         "  -h, --help            this text\n"
         "  --version             the version\n"
         "\n"
         "Jobs (--job N; without it the job is 1):\n"
         "  1  reads n3dhsp, writes model_load.dat, asks the deformation scale factor on\n"
         "     standard input, writes model_stress_<c>.dat for every printed time step\n"
         "  2  as 1 without the question (factor 1.0), plus interface_m_<c>.dat and\n"
         "     interface_s_<c>.dat and per step edge_node_<c>.csv (interface edge paths)\n"
         "  3  as 2, per step diagonal_node_<c>.csv (interface or material diagonal paths)\n"
         "  4  as 2, then rewrites the spring section of the input deck nikein\n"
         "     (\"done\" is created when no spring is released)\n"
         "  5  as 2 when n3dhsp exists, then reads the input deck nikein.txt and writes\n"
         "     model_load.dat and the interface zone files of the deck\n"
         "  6  as 2, per step line_node_<c>.csv (material axis lines) and spring_<c>.csv\n"
         "  0  as 2 when n3dhsp exists, then reads parameter_in.txt and writes the solver\n"
         "     cards out_node.txt, out_element.txt, out_interface.txt, out_load.txt,\n"
         "     out_spring.txt and the model views of the generated model\n"
         "\n"
         "Result files are written under a temporary name and renamed into place when\n"
         "complete: an interrupted run leaves each result as it was or complete.\n"
         "A run never removes a file it did not write: the files of steps after the\n"
         "last complete one, left by an earlier run, stay as they are.\n";
  // Windows refuses some characters of the other step names in file names.
  if (platform::names_must_be_portable) {
    text += "On Windows step and interface names are always the portable ones.\n";
  }
  text += "When standard error is a terminal, a run that reads n3dhsp shows its progress\n"
          "there on one line, erased when the run ends.\n"
          "\n"
         "Exit status: 0 on success, 2 on bad input, a missing input file, a failed file\n"
         "operation (one message on standard error names the file and line) or a bad\n"
         "argument, 1 on a bad constraint code in parameter_in.txt, 3 when n3dhsp ends\n"
         "before its announced steps are complete and --partial or --follow wrote the\n"
         "complete ones (one line on standard error says how many); a run ended by a\n"
         "signal ends as that signal.\n";
  return text;
}

namespace {

// The job number of --job: an integer from 0 to 6.
std::optional<std::int32_t> parse_job(std::string_view value) {
  std::int32_t job = 0;
  const char* first = value.data();
  const char* last = value.data() + value.size();
  if (!value.empty() && *first == '+') ++first;
  const auto result = std::from_chars(first, last, job);
  if (value.empty() || result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return job;
}

// The seconds of --follow=SECONDS: a number greater than 0.
std::optional<double> parse_seconds(std::string_view value) {
  double seconds = 0.0;
  const char* last = value.data() + value.size();
  const auto result = std::from_chars(value.data(), last, seconds);
  if (value.empty() || result.ec != std::errc() || result.ptr != last || !(seconds > 0.0) ||
      seconds > 1e9) {
    return std::nullopt;
  }
  return seconds;
}

// The factor of --scale, read as the console answer to the scale question is.
std::optional<double> parse_scale(std::string_view value) {
  InputFile text = InputFile::from_text("--scale", std::string(value));
  double scale = 0.0;
  const std::array<FieldTarget, 1> targets{FieldTarget(&scale)};
  try {
    require_free(text, targets, "the scale factor");
  } catch (const FatalError&) {
    return std::nullopt;
  }
  return scale;
}

// An option and its value: "--name value", "--name=value", or for a short
// option "-X value" and "-Xvalue".
struct OptionValue {
  bool matched = false;
  bool missing = false;  // the option is last, without its value
  std::string_view value;
};

OptionValue option_value(std::span<const std::string> arguments, std::size_t& i,
                         std::string_view long_name, std::string_view short_name = {}) {
  const std::string& argument = arguments[i];
  OptionValue found;
  const bool separate =
      argument == long_name || (!short_name.empty() && argument == short_name);
  if (separate) {
    found.matched = true;
    if (i + 1 >= arguments.size()) {
      found.missing = true;
    } else {
      found.value = arguments[++i];
    }
  } else if (argument.size() > long_name.size() && argument.starts_with(long_name) &&
             argument[long_name.size()] == '=') {
    found.matched = true;
    found.value = std::string_view(argument).substr(long_name.size() + 1);
  } else if (!short_name.empty() && argument.size() > short_name.size() &&
             argument.starts_with(short_name)) {
    found.matched = true;
    found.value = std::string_view(argument).substr(short_name.size());
  }
  return found;
}

CommandLine usage_error(std::string message) {
  CommandLine command;
  command.action = CommandLine::Action::usage_error;
  command.error = std::move(message);
  return command;
}

}  // namespace

CommandLine parse_command_line(std::span<const std::string> arguments) {
  CommandLine command;
  bool job_given = false;
  bool directory_given = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      command.action = CommandLine::Action::help;
      return command;
    }
    if (argument == "--version") {
      command.action = CommandLine::Action::version;
      return command;
    }
    if (argument == "--vtk") {
      if (command.options.vtk) return usage_error("--vtk given twice");
      command.options.vtk = true;
      continue;
    }
    if (argument == "--portable-names") {
      if (command.options.portable_names) return usage_error("--portable-names given twice");
      command.options.portable_names = true;
      continue;
    }
    if (argument == "--report") {
      if (command.options.report) return usage_error("--report given twice");
      command.options.report = true;
      continue;
    }
    if (argument == "--partial") {
      if (command.options.partial) return usage_error("--partial given twice");
      command.options.partial = true;
      continue;
    }
    if (argument == "--follow" || argument.starts_with("--follow=")) {
      if (command.options.follow_seconds) return usage_error("--follow given twice");
      constexpr double default_quiet_seconds = 600.0;
      command.options.follow_seconds = default_quiet_seconds;
      if (argument != "--follow") {
        const std::string_view value = std::string_view(argument).substr(9);
        command.options.follow_seconds = parse_seconds(value);
        if (!command.options.follow_seconds) {
          return usage_error("--follow waits a number of seconds greater than 0, not \"" +
                             std::string(value) + "\"");
        }
      }
      continue;
    }
    if (const OptionValue job = option_value(arguments, i, "--job"); job.matched) {
      if (job.missing) return usage_error("--job needs a job number");
      if (job_given) return usage_error("--job given twice");
      const std::optional<std::int32_t> number = parse_job(job.value);
      if (!number) {
        return usage_error("the job must be an integer, not \"" + std::string(job.value) + "\"");
      }
      if (*number < 0 || *number > 6) {
        return usage_error("the job must be 0 to 6, not " + std::to_string(*number));
      }
      command.job_code = *number;
      job_given = true;
      continue;
    }
    if (const OptionValue scale = option_value(arguments, i, "--scale"); scale.matched) {
      if (scale.missing) return usage_error("--scale needs a scale factor");
      if (command.options.scale) return usage_error("--scale given twice");
      command.options.scale = parse_scale(scale.value);
      if (!command.options.scale) {
        return usage_error("the scale factor must be a number, not \"" +
                           std::string(scale.value) + "\"");
      }
      continue;
    }
    if (const OptionValue directory = option_value(arguments, i, "--directory", "-C");
        directory.matched) {
      if (directory.missing) return usage_error(argument + " needs a directory");
      if (directory_given) return usage_error("-C given twice");
      if (directory.value.empty() ||
          platform::status(std::string(directory.value)).kind != platform::Kind::directory) {
        return usage_error("no directory \"" + std::string(directory.value) + "\"");
      }
      command.directory = directory.value;
      directory_given = true;
      continue;
    }
    return usage_error("unknown argument \"" + argument + "\"");
  }
  if (command.options.scale && !job_row(command.job_code).asks_scale) {
    return usage_error("--scale answers the scale question of job 1; job " +
                       std::to_string(command.job_code) + " asks none");
  }
  return command;
}

int run_program(std::span<const std::string> arguments) {
  const CommandLine command = parse_command_line(arguments);
  switch (command.action) {
    case CommandLine::Action::help:
      write_all(1, as_console_lines(usage_text()));
      return 0;
    case CommandLine::Action::version:
      write_all(1, as_console_lines(std::string("meridian ") + MERIDIAN_VERSION + "\n"));
      return 0;
    case CommandLine::Action::usage_error:
      write_all(2, as_console_lines("meridian: " + command.error + "\n" + std::string(try_help_line)));
      return 2;
    case CommandLine::Action::run:
      break;
  }
  if (!command.directory.empty() && !platform::change_directory(command.directory)) {
    write_all(2, as_console_lines("meridian: cannot change to the directory \"" +
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
    progress.emplace([](std::string_view text) { write_all(2, text); },
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
      write_all(2, as_console_lines("meridian: " + partial_message(end) + "\n"));
      return partial_exit_status;
    }
    return 0;
  } catch (const FatalError& error) {
    end_progress();
    try {
      output.flush();
    } catch (...) {
    }
    write_all(2, as_console_lines(std::string("meridian: ") + error.what() + "\n"));
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
    write_all(2, as_console_lines("meridian: out of memory\n"));
    return fatal_exit_status;
  }
}

}  // namespace meridian
