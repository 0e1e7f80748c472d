#pragma once
// The one way a run ends on bad input or a failed file operation: a FatalError
// carries the message (without the program-name prefix); the entry point prints
// "meridian: <message>" on standard error and exits with status 2. Files already
// written stay as they are.

#include <stdexcept>
#include <string>
#include <string_view>

namespace meridian {

inline constexpr int fatal_exit_status = 2;

class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A field that does not convert (a value that is not a number): a FatalError
// its reader may tell from others, as the listing reader does for the values
// of a diverged analysis.
class FieldError : public FatalError {
 public:
  using FatalError::FatalError;
};

// A run that stops after printing its own console message (the generator's bad
// constraint code). No further message is written; the exit status is nonzero.
class RunStopped : public std::exception {
 public:
  explicit RunStopped(int status) : status_(status) {}
  int status() const noexcept { return status_; }
  const char* what() const noexcept override { return "run stopped"; }

 private:
  int status_;
};

// "<file>: <what>"
[[noreturn]] void fail_file(std::string_view file, std::string_view what);
// "<file>, line <n>: <what>"
[[noreturn]] void fail_line(std::string_view file, long line, std::string_view what);
// The same message, as a FieldError.
[[noreturn]] void fail_field(std::string_view file, long line, std::string_view what);

}  // namespace meridian
