#pragma once
// The program's entry: the command line, then the job it asks for (driver/jobs),
// with every failure turned into its message and exit status.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "driver/command_line.hpp"
#include "driver/run_job.hpp"
#include "files/console.hpp"

namespace meridian {

// The exit status of a run that wrote the complete steps of a listing that
// ends before the steps it announces (--partial, --follow).
inline constexpr int partial_exit_status = 3;

// The whole program: returns the exit status (0; 2 for a fatal error or a bad
// argument; 3 for the complete steps of a listing that ended early; the
// status of a stopped run).
int run_program(std::span<const std::string> arguments);

}  // namespace meridian
