#pragma once
// Start-up and job dispatch: banner, waiting line, the listing phase, then the
// model generator (job 0) or the input-deck viewer (job 5).

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "records/console.hpp"

namespace meridian {

// What the command line asks for.
struct CommandLine {
  enum class Action { run, help, version, usage_error };
  Action action = Action::run;
  std::int32_t job_code = 1;  // no arguments: the post-processing job
  std::string error;          // for usage_error
};

CommandLine parse_command_line(std::span<const std::string> arguments);
std::string usage_text();

// Runs one job on the console; failures propagate as FatalError / RunStopped.
void run_job(std::int32_t job_code, Console& console);

// The whole program: returns the exit status (0; 2 for a fatal error or a bad
// argument; the status of a stopped run).
int run_program(std::span<const std::string> arguments);

}  // namespace meridian
