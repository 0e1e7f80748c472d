#pragma once
// The command line: one table of options (name, short name, value, help
// text and what it sets), from which the parser and the option list of
// --help are made, so the two cannot drift apart; a test holds the manual
// page's option list to the same table. A new option is one row of
// `command_options` (command_line.cpp).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "driver/run_options.hpp"

namespace meridian {

// What the command line asks for.
struct CommandLine {
  enum class Action { run, help, version, usage_error };
  Action action = Action::run;
  std::int32_t job_code = 1;  // no arguments: the post-processing job
  RunOptions options;         // --scale, --vtk, ...
  std::string directory;      // -C: where the run starts; empty: here
  std::string error;          // for usage_error
};

// One option of the table.
struct CommandOption {
  enum class Value {
    none,      // a flag: the name alone
    required,  // "--name V", "--name=V" (and "-X V", "-XV" for a short name)
    optional,  // "--name" or "--name=V"
  };
  std::string_view name;        // "--job"
  std::string_view short_name;  // "-C", or empty
  Value value = Value::none;
  // What a missing value is, for "<option> needs <value_needed>".
  std::string_view value_needed;
  // The option's forms and its explanation in --help (lines of at most 54
  // characters, separated by '\n'), and its part of the usage line.
  std::string_view forms;
  std::string_view help;
  std::string_view usage;
  // Sets what the option asks for; the message of a bad value, or nothing.
  std::optional<std::string> (*apply)(CommandLine& command, std::string_view value);
};

// Every option, in the order --help lists them.
std::span<const CommandOption> command_options();

CommandLine parse_command_line(std::span<const std::string> arguments);
std::string usage_text();

}  // namespace meridian
