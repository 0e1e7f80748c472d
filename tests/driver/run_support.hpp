#pragma once
// Runs the built meridian executable (or another program of the build) in a
// directory and collects what it did.
// The one place of the tests that starts and stops processes, on POSIX
// systems (fork, exec, signals) and on Windows (CreateProcessW, Ctrl+C,
// TerminateProcess).

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace meridian::testing_support {

struct RunResult {
  int exit_status = -1;
  std::string standard_output;
  std::string standard_error;
};

// Runs `meridian` with `arguments` in `directory`, feeding `input` on standard input.
RunResult run_meridian(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                       const std::string& input);

// Runs `program` (a UTF-8 path) with `arguments` in `directory`, with nothing on
// standard input.
RunResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& directory);

// How a run is stopped from outside.
enum class Stop {
  kill,       // SIGKILL; TerminateProcess: the run has no say
  terminate,  // SIGTERM (POSIX only)
  interrupt,  // SIGINT; Ctrl+C sent to the run's console
};
// The ways of stopping a run this system has.
std::vector<Stop> stops();
const char* stop_name(Stop how);

// A run started without waiting for it; standard streams on the null device
// (standard error to `error_file` when one is named). `program`: another
// program of the build than meridian (a UTF-8 path). `stoppable`: on
// Windows the run gets a console of its own, for stop(Stop::interrupt);
// Wine may then not hand it the named standard error.
class StartedRun {
 public:
  StartedRun(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
             const std::filesystem::path& error_file = {}, const std::string& program = {},
             bool stoppable = true);
  ~StartedRun();
  StartedRun(const StartedRun&) = delete;
  StartedRun& operator=(const StartedRun&) = delete;

  // Sends `how`; false when this system cannot deliver it to the run.
  bool stop(Stop how);
  // Waits for the end: the exit status, or what stopped_status gives for a run
  // ended by a stop.
  int wait();
  // Whether the run has ended (then wait() returns at once).
  bool ended();

 private:
  std::intptr_t process_ = -1;  // the process id, or a Windows process HANDLE
  bool waited_ = false;
  int status_ = -1;
};

// The status wait() gives for a run ended by `how` (128 + the signal number
// on POSIX systems, as a shell shows it).
int stopped_status(Stop how);

// Whether runs can be given a file size limit (RLIMIT_FSIZE; Windows has
// none a user may set).
bool can_limit_file_size();
// Runs as run_meridian does, with every write beyond `limit` bytes of a file
// failing as on a full disk instead of stopping the run. Only where
// can_limit_file_size().
RunResult run_with_file_size_limit(const std::filesystem::path& directory,
                                   const std::vector<std::string>& arguments,
                                   const std::string& input, std::uint64_t limit);

// A fresh, empty directory for one test.
std::filesystem::path fresh_directory(const std::string& name);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& contents);

// All regular files of a directory, by name.
std::map<std::string, std::string> directory_files(const std::filesystem::path& directory);

}  // namespace meridian::testing_support
