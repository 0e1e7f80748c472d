#include "files/temporary_file.hpp"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/placed_files.hpp"

namespace meridian {
namespace {

constexpr std::string_view name_prefix = ".meridian-";
constexpr std::string_view name_suffix = ".tmp";
constexpr std::size_t random_digits = 16;
// Longest part of the final name kept in a temporary name, so that the whole
// stays within the 255 bytes a file name may have.
constexpr std::size_t longest_final_name = 200;

// ------------------------------------------------------------------ names

std::uint64_t random_bits() {
  try {
    std::random_device source;
    return (std::uint64_t{source()} << 32) ^ source();
  } catch (const std::exception&) {
    // No random source: the clock still differs from call to call, and
    // creation with O_EXCL settles any clash.
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
}

}  // namespace

std::string temporary_name_beside(const std::string& path) {
  const std::size_t slash = path.find_last_of(platform::path_separators);
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::string_view final_name =
      std::string_view(path).substr(base).substr(0, longest_final_name);

  char hex[random_digits];
  std::memset(hex, '0', sizeof hex);
  char digits[random_digits];
  const auto converted = std::to_chars(digits, digits + random_digits, random_bits(), 16);
  const auto length = static_cast<std::size_t>(converted.ptr - digits);
  std::memcpy(hex + random_digits - length, digits, length);

  std::string name = path.substr(0, base);
  name += name_prefix;
  name += std::to_string(platform::process_id());
  name += '-';
  name.append(hex, random_digits);
  name += '-';
  name += final_name;
  name += name_suffix;
  return name;
}

bool is_temporary_name(std::string_view name) {
  if (!name.starts_with(name_prefix) || !name.ends_with(name_suffix)) return false;
  name.remove_prefix(name_prefix.size());
  name.remove_suffix(name_suffix.size());
  // <pid>-<16 hex digits>-<final name>
  std::size_t pid_digits = 0;
  while (pid_digits < name.size() && name[pid_digits] >= '0' && name[pid_digits] <= '9')
    ++pid_digits;
  if (pid_digits == 0 || pid_digits >= name.size() || name[pid_digits] != '-') return false;
  name.remove_prefix(pid_digits + 1);
  if (name.size() < random_digits + 2) return false;
  for (std::size_t i = 0; i < random_digits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return name[random_digits] == '-';
}

// ---------------------------------------------------------- TemporaryFile

TemporaryFile TemporaryFile::create_beside(const std::string& path,
                                           std::optional<std::uint32_t> permissions) {
  for (int attempt = 1;; ++attempt) {
    std::string name = temporary_name_beside(path);
    // No interrupt between the creation and the listing: a run ended then
    // would leave the file behind.
    const platform::InterruptsDeferred deferred;
    platform::Handle file = platform::no_file;
    switch (platform::create_locked(name, permissions, file)) {
      case platform::Created::yes:
        break;
      case platform::Created::name_taken:
        if (attempt < 100) continue;
        fail_file(path, "cannot open for writing: " + platform::last_error());
      case platform::Created::vanished:
        // A sweep by another run took the new file for a leftover.
        if (attempt < 100) continue;
        fail_file(path, "cannot open for writing: the temporary file " + name + " keeps vanishing");
      case platform::Created::permissions_not_set:
        fail_file(path, "cannot set the permissions of the temporary file: " + platform::last_error());
      case platform::Created::failed: {
        // errno as the creation left it (the platform layer keeps it so).
        const std::string refused = refused_name_reason(path, errno);
        fail_file(path, "cannot open for writing: " +
                            (refused.empty() ? platform::last_error() : refused));
      }
    }
    const int slot = platform::list_for_interrupt(name);
    return TemporaryFile(std::move(name), file, slot);
  }
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : name_(std::move(other.name_)), file_(other.file_), slot_(other.slot_) {
  other.name_.clear();
  other.file_ = platform::no_file;
  other.slot_ = -1;
}

bool TemporaryFile::place_as(const std::string& target) {
  if (file_ == platform::no_file) return false;
  if (!platform::place_file(name_, target)) return false;
  // The lock is held until the file has its final name.
  platform::unlist_for_interrupt(slot_);
  slot_ = -1;
  platform::close_file(file_);
  file_ = platform::no_file;
  name_.clear();
  return true;
}

void TemporaryFile::discard() noexcept {
  if (file_ == platform::no_file) return;
  platform::remove_file(name_);
  platform::unlist_for_interrupt(slot_);
  slot_ = -1;
  platform::close_file(file_);
  file_ = platform::no_file;
  name_.clear();
}

// ------------------------------------------------------- interrupts and sweeps


void remove_stale_temporaries(const std::string& directory) noexcept {
  platform::remove_stale_files(directory, is_temporary_name);
}

}  // namespace meridian
