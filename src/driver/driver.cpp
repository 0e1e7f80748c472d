#include "driver/driver.hpp"

#include <unistd.h>

#include <array>
#include <charconv>
#include <string>
#include <string_view>

#include "driver/jobs.hpp"
#include "records/fatal.hpp"
#include "records/files.hpp"

namespace meridian {
namespace {

// Writes text to a file descriptor, ignoring failures (the run is ending).
void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
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

}  // namespace

std::string usage_text() {
  return "Usage: meridian [--job N]\n"
         "       meridian --help\n"
         "       meridian --version\n"
         "\n"
         "Post-processes the NIKE3D listing n3dhsp in the current directory into Tecplot files.\n"
         "All file names are fixed; every file is read or written in the current directory.\n"
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
         "Exit status: 0 on success, 2 on bad input or a failed file operation (one message\n"
         "on standard error names the file and line), 1 on a bad constraint code in\n"
         "parameter_in.txt.\n";
}

CommandLine parse_command_line(std::span<const std::string> arguments) {
  CommandLine command;
  bool job_given = false;
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
    std::string_view value;
    if (argument == "--job") {
      if (i + 1 >= arguments.size()) {
        command.action = CommandLine::Action::usage_error;
        command.error = "--job needs a job number";
        return command;
      }
      value = arguments[++i];
    } else if (argument.starts_with("--job=")) {
      value = std::string_view(argument).substr(6);
    } else {
      command.action = CommandLine::Action::usage_error;
      command.error = "unknown argument \"" + argument + "\"";
      return command;
    }
    if (job_given) {
      command.action = CommandLine::Action::usage_error;
      command.error = "--job given twice";
      return command;
    }
    std::int32_t job = 0;
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (!value.empty() && *first == '+') ++first;
    const auto result = std::from_chars(first, last, job);
    if (value.empty() || result.ec != std::errc() || result.ptr != last) {
      command.action = CommandLine::Action::usage_error;
      command.error = "the job must be an integer, not \"" + std::string(value) + "\"";
      return command;
    }
    command.job_code = job;
    job_given = true;
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
      write_all(2, as_console_lines("meridian: " + command.error + "\n" + usage_text()));
      return 2;
    case CommandLine::Action::run:
      break;
  }
  InputFile input = InputFile::standard_input();
  OutputFile output = OutputFile::standard_output();
  Console console{input, output};
  try {
    run_job(command.job_code, console);
    output.flush();
    return 0;
  } catch (const FatalError& error) {
    try {
      output.flush();
    } catch (...) {
    }
    write_all(2, as_console_lines(std::string("meridian: ") + error.what() + "\n"));
    return fatal_exit_status;
  } catch (const RunStopped& stop) {
    try {
      output.flush();
    } catch (...) {
    }
    return stop.status();
  } catch (const std::bad_alloc&) {
    try {
      output.flush();
    } catch (...) {
    }
    write_all(2, as_console_lines("meridian: out of memory\n"));
    return fatal_exit_status;
  }
}

}  // namespace meridian
