#include "records/memory_budget.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "records/fatal.hpp"

namespace meridian {

namespace {

constexpr std::uint64_t mib = 1024 * 1024;

// MemAvailable of /proc/meminfo in bytes; 0 when it cannot be read.
std::uint64_t meminfo_available() {
  std::FILE* file = std::fopen("/proc/meminfo", "r");
  if (file == nullptr) return 0;
  std::uint64_t bytes = 0;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    unsigned long long kib = 0;
    if (std::strncmp(line, "MemAvailable:", 13) == 0 && std::sscanf(line + 13, "%llu", &kib) == 1) {
      bytes = static_cast<std::uint64_t>(kib) * 1024;
      break;
    }
  }
  std::fclose(file);
  return bytes;
}

std::uint64_t physical_memory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

}  // namespace

std::uint64_t available_memory() {
  std::uint64_t available = meminfo_available();
  if (available == 0) available = physical_memory();
  rlimit limit{};
  if (getrlimit(RLIMIT_RSS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<std::uint64_t>(limit.rlim_cur) < available) {
    available = static_cast<std::uint64_t>(limit.rlim_cur);
  }
  return available;
}

void require_memory(std::string_view file, long line, std::string_view counts,
                    std::uint64_t bytes) {
  const std::uint64_t available = available_memory();
  if (bytes <= available) return;
  // Rounded up, so that a need just above what is available never reads equal.
  const std::uint64_t needed_mib = bytes / mib + (bytes % mib != 0 ? 1 : 0);
  fail_line(file, line,
            "the tables for " + std::string(counts) + " would need " + std::to_string(needed_mib) +
                " MiB, more than the " + std::to_string(available / mib) +
                " MiB of memory available");
}

std::uint64_t table_bytes(std::int64_t rows, std::uint64_t row_bytes) {
  if (rows <= 0 || row_bytes == 0) return 0;
  const auto count = static_cast<std::uint64_t>(rows);
  if (count > table_bytes_ceiling / row_bytes) return table_bytes_ceiling;
  return count * row_bytes;
}

}  // namespace meridian
