#include "files/memory_budget.hpp"

#include <string>

#include "platform/platform.hpp"
#include "records/fatal.hpp"

namespace meridian {

namespace {

constexpr std::uint64_t mib = 1024 * 1024;

}  // namespace


void require_memory(std::string_view file, long line, std::string_view counts,
                    std::uint64_t bytes) {
  const std::uint64_t available = platform::available_memory();
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
