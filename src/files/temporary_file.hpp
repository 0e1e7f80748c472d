#pragma once
// Temporary files beside the files they will replace, so that a file is either
// as it was or complete, never half-written.
//
// A temporary file is created in the folder of its final file under a name of
// its own run: ".meridian-<pid>-<16 hex digits>-<final name>.tmp". The name
// begins with '.' and ends in ".tmp", so it matches no result pattern. The
// process holds the file locked from its creation until it has been renamed or
// removed, which tells a live temporary (some run is writing it) from a
// leftover of a killed run (platform/platform.hpp: create_locked).
//
// Live temporaries are also listed for the interrupt handler: a run ended by
// SIGINT, SIGTERM or SIGHUP (Ctrl+C, Ctrl+Break or closing the console on
// Windows) removes them before it dies. Leftovers of runs killed outright
// (SIGKILL, power loss) are removed by a later run's
// remove_stale_temporaries().
//
// Nothing is synced to disk: after a power loss a renamed file may be empty.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.hpp"

namespace meridian {

// A fresh temporary name for `path`, in the same folder ("dir/x.dat" gives
// "dir/.meridian-<pid>-<hex>-x.dat.tmp"). The name is random; create it with
// TemporaryFile, which makes sure no other file has it.
std::string temporary_name_beside(const std::string& path);

// Whether a file name (no folder) has the form of a temporary name.
bool is_temporary_name(std::string_view name);

// An open, locked temporary file, listed for the interrupt handler. Destroyed
// before place_as() succeeded, it removes its file.
class TemporaryFile {
 public:
  TemporaryFile() = default;  // holds no file

  // Creates an empty temporary file beside `path` for writing. `permissions`
  // unset: 0644 less the umask, as a new file gets; set: exactly these bits
  // (those of the file to be replaced; the file is never more open than that,
  // also while it is written). Failures end the run through FatalError naming
  // `path`.
  static TemporaryFile create_beside(const std::string& path,
                                     std::optional<std::uint32_t> permissions = std::nullopt);

  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&&) = delete;
  ~TemporaryFile() { discard(); }

  bool holds_file() const { return file_ != platform::no_file; }
  // The open file (for writing) that holds the lock; stays open until the file
  // is renamed or removed. Write through a platform::duplicate of it to see
  // the errors of a close before the rename.
  platform::Handle handle() const { return file_; }
  const std::string& name() const { return name_; }

  // Puts the file in place as `target` (a rename within its folder), then
  // lets go of it. False (platform::last_error() says why) when that fails;
  // the file is kept.
  bool place_as(const std::string& target);
  // Removes the file and lets go of it; nothing when no file is held.
  void discard() noexcept;

 private:
  TemporaryFile(std::string name, platform::Handle file, int slot)
      : name_(std::move(name)), file_(file), slot_(slot) {}

  std::string name_;
  platform::Handle file_ = platform::no_file;
  int slot_ = -1;  // entry in the interrupt handler's list, -1 when not listed
};

// Removes the leftovers of killed runs in `directory`: files with a temporary
// name that no process holds locked. Nothing else is touched; failures are
// ignored (a leftover that cannot be removed stays).
void remove_stale_temporaries(const std::string& directory) noexcept;

}  // namespace meridian
