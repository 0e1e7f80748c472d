#pragma once
// Shared set-up of the fuzz harnesses: a scratch directory per process (the
// program reads and writes fixed file names in the current directory), a lower
// memory ceiling for the table-size checks, and small file helpers.

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace meridian::fuzz {

// The ceiling the program's table-size checks compare with (RLIMIT_RSS is not
// enforced by Linux; it only lowers what the checks accept). libFuzzer's own
// -rss_limit_mb must stay above it.
inline constexpr rlim_t memory_ceiling = rlim_t{1} << 30;

// Removes the scratch directory when the process ends.
inline std::filesystem::path& scratch_path() {
  static std::filesystem::path path;
  return path;
}

inline void remove_scratch() {
  std::error_code ignored;
  if (!scratch_path().empty()) std::filesystem::remove_all(scratch_path(), ignored);
}

// Largest file a run may write. The program's outputs grow with products of
// counts (every zone of model_load.dat repeats all nodes), so a small input can
// ask for gigabytes; beyond this size a write fails (SIGXFSZ is ignored) and the
// run ends with its "cannot write" message, which keeps every run short.
inline constexpr rlim_t file_size_ceiling = rlim_t{64} << 20;

// Creates a fresh directory, changes into it, lowers the memory ceiling and
// the largest file size.
inline void enter_scratch_directory(const char* harness) {
  std::string pattern = (std::filesystem::temp_directory_path() /
                         (std::string("meridian-fuzz-") + harness + "-XXXXXX"))
                            .string();
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
    std::perror("meridian fuzz: scratch directory");
    std::abort();
  }
  scratch_path() = pattern;
  std::atexit(remove_scratch);
  rlimit limit{};
  if (getrlimit(RLIMIT_RSS, &limit) == 0) {
    limit.rlim_cur = memory_ceiling;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < memory_ceiling) {
      limit.rlim_cur = limit.rlim_max;
    }
    setrlimit(RLIMIT_RSS, &limit);
  }
  std::signal(SIGXFSZ, SIG_IGN);
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0) {
    limit.rlim_cur = file_size_ceiling;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < file_size_ceiling) {
      limit.rlim_cur = limit.rlim_max;
    }
    setrlimit(RLIMIT_FSIZE, &limit);
  }
}

// Replaces `name` in the scratch directory with `bytes`.
inline void write_file(const char* name, std::string_view bytes) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) {
    std::perror(name);
    std::abort();
  }
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    std::perror(name);
    std::abort();
  }
  std::fclose(file);
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace meridian::fuzz
