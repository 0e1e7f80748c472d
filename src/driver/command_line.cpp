#include "driver/command_line.hpp"

#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "driver/job_table.hpp"
#include "files/input_file.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"

namespace meridian {
namespace {

using Value = CommandOption::Value;
using Applied = std::optional<std::string>;

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

// The seconds of --follow=SECONDS and the megabytes of --report-budget=MB: a
// number greater than 0.
std::optional<double> parse_positive(std::string_view value) {
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

Applied quoted(std::string_view what, std::string_view value) {
  return std::string(what) + " \"" + std::string(value) + "\"";
}

// How long --follow waits for a quiet listing without a value.
constexpr double default_quiet_seconds = 600.0;

// clang-format off
constexpr auto options = std::to_array<CommandOption>({
    {"--job", "", Value::required, "a job number", "--job N, --job=N",
     "the job to run, 0 to 6 (without it the job is 1)", "--job N",
     [](CommandLine& c, std::string_view v) -> Applied {
       const std::optional<std::int32_t> number = parse_job(v);
       if (!number) return quoted("the job must be an integer, not", v);
       if (*number < 0 || *number > 6) return "the job must be 0 to 6, not " + std::to_string(*number);
       c.job_code = *number;
       return std::nullopt;
     }},
    {"--scale", "", Value::required, "a scale factor", "--scale F, --scale=F",
     "the deformation scale factor of job 1: nothing is asked", "--scale F",
     [](CommandLine& c, std::string_view v) -> Applied {
       c.options.scale = parse_scale(v);
       if (!c.options.scale) return quoted("the scale factor must be a number, not", v);
       return std::nullopt;
     }},
    {"--directory", "-C", Value::required, "a directory", "-C DIR, --directory DIR, --directory=DIR",
     "run in DIR, as if started there", "-C DIR",
     [](CommandLine& c, std::string_view v) -> Applied {
       if (v.empty() || platform::status(std::string(v)).kind != platform::Kind::directory) {
         return quoted("no directory", v);
       }
       c.directory = v;
       return std::nullopt;
     }},
    {"--vtk", "", Value::none, "", "--vtk",
     "also write VTK files for ParaView: model.vtu (and\n"
     "model_interfaces.vtu), model_stress_NNNNN.vtu per step\n"
     "and the time series model_stress.pvd", "--vtk",
     [](CommandLine& c, std::string_view) -> Applied { c.options.vtk = true; return std::nullopt; }},
    {"--portable-names", "", Value::none, "", "--portable-names",
     "step and interface numbers of 10 and more written in\n"
     "decimal in file names (model_stress_10.dat, not\n"
     "model_stress_:.dat): names that Windows, exFAT and\n"
     "file systems that ignore letter case can hold", "--portable-names",
     [](CommandLine& c, std::string_view) -> Applied { c.options.portable_names = true; return std::nullopt; }},
    {"--report", "", Value::none, "", "--report",
     "also write summary.csv (a row per printed time step:\n"
     "peak displacement, peak nodal and integration-point\n"
     "effective stress, temperature range; runs that read\n"
     "n3dhsp) and report.html, one page to open in a browser\n"
     "offline: the summary table and chart and the deformed\n"
     "model in 3D", "--report",
     [](CommandLine& c, std::string_view) -> Applied { c.options.report = true; return std::nullopt; }},
    {"--report-budget", "", Value::required, "a size in MB", "--report-budget=MB",
     "the most report.html may take, in MB (64): past it its\n"
     "3D view keeps an evenly spaced part of the steps, with\n"
     "the first, the last and the one of the peak effective\n"
     "stress (the table and chart keep every step)", "--report-budget=MB",
     [](CommandLine& c, std::string_view v) -> Applied {
       const std::optional<double> megabytes = parse_positive(v);
       if (!megabytes) return quoted("--report-budget takes a number of MB greater than 0, not", v);
       c.options.report_budget_mb = *megabytes;
       return std::nullopt;
     }},
    {"--partial", "", Value::none, "", "--partial",
     "a listing that ends before the time steps it announces\n"
     "are complete (an analysis that stopped early), or\n"
     "whose next step holds a value that is not a number (one\n"
     "that diverged), gives the files of its complete steps;\n"
     "the run then ends with status 3", "--partial",
     [](CommandLine& c, std::string_view) -> Applied { c.options.partial = true; return std::nullopt; }},
    {"--follow", "", Value::optional, "", "--follow[=SECONDS]",
     "follow n3dhsp while the solver writes it: wait for it\n"
     "to appear and to grow, put model_load.dat in place\n"
     "once the model is read and each step's files as soon\n"
     "as the step is complete (model_stress.pvd, summary.csv\n"
     "and report.html name the steps in place); ends when\n"
     "the announced steps are complete, or as --partial\n"
     "when n3dhsp has not grown for SECONDS (600) or a step\n"
     "holds a value that is not a number. With springs, the\n"
     "spring extracts of job 6 (which take the last step's\n"
     "forces) and the deck rewrite of job 4 wait for the\n"
     "end", "--follow[=SECONDS]",
     [](CommandLine& c, std::string_view v) -> Applied {
       c.options.follow_seconds = v.data() == nullptr ? default_quiet_seconds : parse_positive(v);
       if (!c.options.follow_seconds) {
         return quoted("--follow waits a number of seconds greater than 0, not", v);
       }
       return std::nullopt;
     }},
    {"--history", "", Value::required, "a list of items", "--history ITEMS, --history=ITEMS",
     "also write history.csv: a row per printed time step\n"
     "with the values of every item of ITEMS, a comma-\n"
     "separated list of node:N (displacements, nodal\n"
     "stresses, temperature), element:N (the stresses at its\n"
     "8 integration points) and spring:N (deflection and\n"
     "force); runs that read n3dhsp", "--history ITEMS",
     [](CommandLine& c, std::string_view v) -> Applied {
       ParsedHistoryItems parsed = parse_history_items(v);
       if (!parsed.error.empty()) return parsed.error;
       c.options.history = std::move(parsed.items);
       return std::nullopt;
     }},
    {"--exodus", "", Value::none, "", "--exodus",
     "also write model.exo, the whole analysis as one Exodus\n"
     "II file (ParaView, VisIt, meshio): the model, every\n"
     "step's nodal values, the integration-point stresses of\n"
     "every element, the springs' forces and the summary's\n"
     "peaks; runs that read n3dhsp (with --follow it is put\n"
     "in place when the run ends)", "--exodus",
     [](CommandLine& c, std::string_view) -> Applied { c.options.exodus = true; return std::nullopt; }},
    {"--help", "-h", Value::none, "", "-h, --help", "this text", "",
     [](CommandLine& c, std::string_view) -> Applied {
       c.action = CommandLine::Action::help;
       return std::nullopt;
     }},
    {"--version", "", Value::none, "", "--version", "the version", "",
     [](CommandLine& c, std::string_view) -> Applied {
       c.action = CommandLine::Action::version;
       return std::nullopt;
     }},
});
// clang-format on

constexpr std::span<const CommandOption> listed{options};

// The option an argument names, and its value: "--name", "--name=value",
// and for a short name "-X" and "-Xvalue". `attached` is the value written
// into the argument (a null view when there is none).
struct Match {
  const CommandOption* option = nullptr;
  std::string_view attached;
};

Match match(std::string_view argument) {
  for (const CommandOption& option : listed) {
    if (argument == option.name || (!option.short_name.empty() && argument == option.short_name)) {
      return {&option, {}};
    }
    if (option.value == Value::none) continue;
    if (argument.size() > option.name.size() && argument.starts_with(option.name) &&
        argument[option.name.size()] == '=') {
      return {&option, argument.substr(option.name.size() + 1)};
    }
    if (option.value == Value::required && !option.short_name.empty() &&
        argument.size() > option.short_name.size() && argument.starts_with(option.short_name)) {
      return {&option, argument.substr(option.short_name.size())};
    }
  }
  return {};
}

CommandLine usage_error(std::string message) {
  CommandLine command;
  command.action = CommandLine::Action::usage_error;
  command.error = std::move(message);
  return command;
}

// The option's lines of --help: its forms, then its text from column 24.
void append_help(std::string& text, const CommandOption& option) {
  constexpr std::size_t column = 24;
  std::string line = "  " + std::string(option.forms);
  std::string_view help = option.help;
  bool first = true;
  while (!help.empty() || first) {
    const std::size_t end = help.find('\n');
    const std::string_view part = help.substr(0, end);
    if (line.size() + 2 > column) {
      text += line + "\n";
      line.clear();
    }
    line.resize(column, ' ');
    line += part;
    text += line + "\n";
    line.clear();
    help = end == std::string_view::npos ? std::string_view() : help.substr(end + 1);
    first = false;
  }
}

}  // namespace

std::span<const CommandOption> command_options() { return listed; }

std::string usage_text() {
  // The usage line: every option that has a part in it, wrapped.
  std::string text;
  std::string line = "Usage: meridian";
  for (const CommandOption& option : listed) {
    if (option.usage.empty()) continue;
    const std::string part = " [" + std::string(option.usage) + "]";
    if (line.size() + part.size() > 88) {
      text += line + "\n";
      line = std::string(15, ' ');
    }
    line += part;
  }
  text += line + "\n";
  text += "       meridian --help\n"
          "       meridian --version\n"
          "\n"
          "Post-processes the NIKE3D listing n3dhsp in the current directory into Tecplot files.\n"
          "All file names are fixed; every file is read or written in the current directory.\n"
          "\n"
          "Options:\n";
  for (const CommandOption& option : listed) append_help(text, option);
  text += "\n";
  text += jobs_help();
  text += "\n"
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
          "before its announced steps are complete, or a step holds a value that is not a\n"
          "number, and --partial or --follow wrote the complete ones (one line on\n"
          "standard error says how many); a run ended by a signal ends as that signal.\n";
  return text;
}

CommandLine parse_command_line(std::span<const std::string> arguments) {
  CommandLine command;
  std::vector<bool> given(listed.size(), false);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const Match found = match(argument);
    if (found.option == nullptr) return usage_error("unknown argument \"" + argument + "\"");
    const CommandOption& option = *found.option;
    std::string_view value = found.attached;
    if (option.value == Value::required && value.data() == nullptr) {
      if (i + 1 >= arguments.size()) return usage_error(argument + " needs " + std::string(option.value_needed));
      value = arguments[++i];
    }
    const std::size_t at = static_cast<std::size_t>(&option - listed.data());
    if (given[at]) {
      const std::string_view named = option.short_name.empty() ? option.name : option.short_name;
      return usage_error(std::string(named) + " given twice");
    }
    given[at] = true;
    if (const Applied failed = option.apply(command, value)) return usage_error(*failed);
    // --help and --version answer at once, whatever follows.
    if (command.action != CommandLine::Action::run) return command;
  }
  if (command.options.report_budget_mb && !command.options.report) {
    return usage_error("--report-budget sets the size of the page of --report, which is not asked for");
  }
  if (command.options.scale && !job_row(command.job_code).asks_scale) {
    return usage_error("--scale answers the scale question of job 1; job " +
                       std::to_string(command.job_code) + " asks none");
  }
  return command;
}

}  // namespace meridian
