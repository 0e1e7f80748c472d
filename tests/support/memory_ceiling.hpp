#pragma once
// Lowers the process's RLIMIT_RSS soft limit for the length of a test: the
// table-size checks (files/memory_budget.hpp) take it as the memory
// available, so a test can reach them with small counts. Linux does not enforce
// the limit; nothing else changes.

#include <sys/resource.h>

#include <cstdint>
#include <stdexcept>

namespace meridian::testing {

class MemoryCeiling {
 public:
  explicit MemoryCeiling(std::uint64_t bytes) {
    if (getrlimit(RLIMIT_RSS, &saved_) != 0) throw std::runtime_error("getrlimit failed");
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_RSS, &lowered) != 0) throw std::runtime_error("setrlimit failed");
  }
  ~MemoryCeiling() { setrlimit(RLIMIT_RSS, &saved_); }
  MemoryCeiling(const MemoryCeiling&) = delete;
  MemoryCeiling& operator=(const MemoryCeiling&) = delete;

 private:
  rlimit saved_{};
};

inline constexpr std::uint64_t mebibytes(std::uint64_t count) {
  return count * 1024 * 1024;
}

}  // namespace meridian::testing
