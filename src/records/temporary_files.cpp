#include "records/temporary_files.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

#include "records/fatal.hpp"
#include "records/placed_files.hpp"

namespace meridian {
namespace {

constexpr int interrupt_signals[] = {SIGINT, SIGTERM, SIGHUP};

constexpr std::string_view name_prefix = ".meridian-";
constexpr std::string_view name_suffix = ".tmp";
constexpr std::size_t random_digits = 16;
// Longest part of the final name kept in a temporary name, so that the whole
// stays within the 255 bytes a file name may have.
constexpr std::size_t longest_final_name = 200;

// ------------------------------------------------- the interrupt handler's list

// A slot is taken (filling), gets its name, and only then is marked live, so
// the handler never sees a name half-copied. It is freed once the file is gone
// from that name (renamed or removed): a signal in between makes the handler
// unlink a name that no longer exists, which does no harm.
enum SlotState : int { slot_free, slot_filling, slot_live };
constexpr int slot_count = 64;
constexpr std::size_t slot_name_capacity = 4096;

struct Slot {
  std::atomic<int> state{slot_free};
  char name[slot_name_capacity];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

// The program's one piece of process-wide state: a signal handler can reach
// nothing but globals, so the names of the live temporary files are kept here,
// in a fixed table it reads without locks or allocation. Slots are written by
// the threads that create and close replacing files, which take these signals
// themselves (helper threads block them), so the handler never runs while a
// slot it reads is being changed on another thread.
constinit Slot live_temporaries[slot_count]{};

// Lists `name` for the handler; -1 when the table is full or the name too long
// (the file then is left behind by an interrupt, for a later run to remove).
int list_live(const std::string& name) {
  if (name.size() >= slot_name_capacity) return -1;
  for (int i = 0; i < slot_count; ++i) {
    Slot& slot = live_temporaries[i];
    int expected = slot_free;
    if (slot.state.compare_exchange_strong(expected, slot_filling, std::memory_order_acquire)) {
      std::memcpy(slot.name, name.c_str(), name.size() + 1);
      slot.state.store(slot_live, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

void unlist(int slot) {
  if (slot >= 0) live_temporaries[slot].state.store(slot_free, std::memory_order_release);
}

// Only async-signal-safe calls: unlink, sigemptyset, sigaction, raise.
void remove_live_temporaries_and_end(int signal_number) {
  for (Slot& slot : live_temporaries) {
    if (slot.state.load(std::memory_order_acquire) == slot_live) ::unlink(slot.name);
  }
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal_number, &default_action, nullptr);
  // Blocked while the handler runs: delivered, with the default action, as it
  // returns.
  ::raise(signal_number);
}

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

std::string system_reason() {
  return std::strerror(errno);
}

// Whether `name` still names the file open at `fd` (a sweep by another run may
// have removed it between its creation and its lock).
bool names_the_file(int fd, const std::string& name) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Removes the file `name` in the folder `dir_fd` when it is a leftover: a
// regular file that nobody holds locked, still under that name.
void remove_if_stale(int dir_fd, const char* name) {
  const int fd = ::openat(dir_fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held, named;
  if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::fstatat(dir_fd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
      named.st_ino == held.st_ino) {
    ::unlinkat(dir_fd, name, 0);
  }
  ::close(fd);
}

}  // namespace

std::string temporary_name_beside(const std::string& path) {
  const std::size_t slash = path.rfind('/');
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
  name += std::to_string(::getpid());
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
                                           std::optional<mode_t> permissions) {
  // Created no more open than the file it replaces (the umask may only take
  // bits away), then given exactly its bits before anything is written.
  const mode_t open_mode = permissions ? (*permissions & 0666) : 0644;
  for (int attempt = 1;; ++attempt) {
    std::string name = temporary_name_beside(path);
    // No interrupt between the creation and the listing: a run ended then
    // would leave the file behind.
    InterruptsBlocked blocked;
    const int fd =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, open_mode);
    if (fd < 0) {
      if (errno == EEXIST && attempt < 100) continue;
      const std::string refused = refused_name_reason(path, errno);
      fail_file(path, "cannot open for writing: " + (refused.empty() ? system_reason() : refused));
    }
    // A sweep by another run may lock the file between its creation and this
    // lock and take it for a leftover: then it is gone, and another name is
    // tried. Where the file system has no locks, sweeps cannot lock it either.
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (!names_the_file(fd, name)) {
      ::close(fd);
      if (attempt < 100) continue;
      fail_file(path, "cannot open for writing: the temporary file " + name + " keeps vanishing");
    }
    if (permissions && ::fchmod(fd, *permissions & 07777) != 0) {
      const std::string reason = system_reason();
      ::unlink(name.c_str());
      ::close(fd);
      fail_file(path, "cannot set the permissions of the temporary file: " + reason);
    }
    const int slot = list_live(name);
    return TemporaryFile(std::move(name), fd, slot);
  }
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : name_(std::move(other.name_)), fd_(other.fd_), slot_(other.slot_) {
  other.name_.clear();
  other.fd_ = -1;
  other.slot_ = -1;
}

bool TemporaryFile::rename_to(const std::string& target) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  if (::rename(name_.c_str(), target.c_str()) != 0) return false;
  // The lock is held until the file has its final name.
  unlist(slot_);
  slot_ = -1;
  ::close(fd_);
  fd_ = -1;
  name_.clear();
  return true;
}

void TemporaryFile::discard() noexcept {
  if (fd_ < 0) return;
  ::unlink(name_.c_str());
  unlist(slot_);
  slot_ = -1;
  ::close(fd_);
  fd_ = -1;
  name_.clear();
}

// ------------------------------------------------------- signals and sweeps

void install_interrupt_cleanup() {
  struct sigaction action {};
  action.sa_handler = remove_live_temporaries_and_end;
  sigemptyset(&action.sa_mask);
  for (const int s : interrupt_signals) sigaddset(&action.sa_mask, s);
  for (const int s : interrupt_signals) {
    struct sigaction earlier {};
    if (::sigaction(s, nullptr, &earlier) != 0) continue;
    // A run started with a signal ignored (nohup, a background job) keeps
    // ignoring it.
    if ((earlier.sa_flags & SA_SIGINFO) == 0 && earlier.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &action, nullptr);
  }
}

void remove_stale_temporaries(const std::string& directory) noexcept {
  DIR* const listing = ::opendir(directory.empty() ? "." : directory.c_str());
  if (listing == nullptr) return;
  const int dir_fd = ::dirfd(listing);
  while (const dirent* entry = ::readdir(listing)) {
    if (is_temporary_name(entry->d_name)) remove_if_stale(dir_fd, entry->d_name);
  }
  ::closedir(listing);
}

InterruptsBlocked::InterruptsBlocked() {
  sigset_t blocked;
  sigemptyset(&blocked);
  for (const int s : interrupt_signals) sigaddset(&blocked, s);
  ::pthread_sigmask(SIG_BLOCK, &blocked, &earlier_);
}

InterruptsBlocked::~InterruptsBlocked() {
  ::pthread_sigmask(SIG_SETMASK, &earlier_, nullptr);
}

}  // namespace meridian
