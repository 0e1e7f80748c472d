#pragma once
// The check made before allocating tables whose sizes come from counts read in
// a file: a damaged file can give counts whose tables would not fit, and the
// run then ends with a message naming the counts instead of failing to
// allocate.

#include <cstdint>
#include <string_view>

namespace meridian {

// Ends the run ("<file>, line <line>: the tables for <counts> would need <n> MiB,
// more than the <m> MiB of memory available") when `bytes` exceeds the memory
// this process can still use (platform::available_memory: the system's
// available memory, lowered to the process's RLIMIT_RSS soft limit).
void require_memory(std::string_view file, long line, std::string_view counts, std::uint64_t bytes);

// Bytes of `rows` rows of `row_bytes` each (negative rows count as 0), held at
// table_bytes_ceiling when larger, so that a sum of a few such sizes cannot
// overflow.
inline constexpr std::uint64_t table_bytes_ceiling = std::uint64_t{1} << 60;
std::uint64_t table_bytes(std::int64_t rows, std::uint64_t row_bytes);

}  // namespace meridian
