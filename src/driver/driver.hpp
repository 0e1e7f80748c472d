#pragma once
// The program's entry: the command line, then the job it asks for (driver/jobs),
// with every failure turned into its message and exit status.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "driver/jobs.hpp"
#include "files/console.hpp"

namespace meridian {

// The exit status of a run that wrote the complete steps of a listing that
// ends before the steps it announces (--partial, --follow).
inline constexpr int partial_exit_status = 3;

// What the command line asks for.
struct CommandLine {
  enum class Action { run, help, version, usage_error };
  Action action = Action::run;
  std::int32_t job_code = 1;  // no arguments: the post-processing job
  RunOptions options;         // --scale, --vtk
  std::string directory;      // -C: where the run starts; empty: here
  std::string error;          // for usage_error
};

CommandLine parse_command_line(std::span<const std::string> arguments);
std::string usage_text();

// The whole program: returns the exit status (0; 2 for a fatal error or a bad
// argument; 3 for the complete steps of a listing that ended early; the
// status of a stopped run).
int run_program(std::span<const std::string> arguments);

}  // namespace meridian
