// The platform interface on POSIX systems (Linux; macOS save the CPU count and
// the memory figures, see usable_cpus and available_memory).
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <sched.h>
#endif

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>

#include "platform/interrupt_list.hpp"
#include "platform/platform.hpp"

namespace meridian::platform {
namespace {

constexpr int interrupt_signals[] = {SIGINT, SIGTERM, SIGHUP};

int descriptor(Handle file) { return static_cast<int>(file); }

Status status_of(const struct stat& info) {
  Status status;
  status.permissions = static_cast<std::uint32_t>(info.st_mode & 07777);
  if (S_ISREG(info.st_mode)) {
    status.kind = Kind::regular;
  } else if (S_ISDIR(info.st_mode)) {
    status.kind = Kind::directory;
  } else if (S_ISLNK(info.st_mode)) {
    status.kind = Kind::link;
  } else {
    status.kind = Kind::other;
  }
  return status;
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

// Only async-signal-safe calls: unlink, sigemptyset, sigaction, raise.
void remove_listed_files_and_end(int signal_number) {
  interrupt_list::for_each_live([](const char* name) { ::unlink(name); });
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal_number, &default_action, nullptr);
  // Blocked while the handler runs: delivered, with the default action, as it
  // returns.
  ::raise(signal_number);
}

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
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

}  // namespace

std::string last_error() { return std::strerror(errno); }

std::vector<std::string> command_line_arguments(int argc, char** argv) {
  if (argc < 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool change_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

long process_id() { return static_cast<long>(::getpid()); }

int usable_cpus() {
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
#else
  // No affinity to ask for: the CPUs online.
  const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
#endif
}

std::int64_t raise_open_file_limit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 256;
  if (limit.rlim_cur != limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  constexpr auto most = static_cast<rlim_t>(std::numeric_limits<std::int64_t>::max());
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > most) {
    return std::numeric_limits<std::int64_t>::max();
  }
  return static_cast<std::int64_t>(limit.rlim_cur);
}

std::uint64_t available_memory() {
  // /proc/meminfo is Linux's; elsewhere the physical memory stands for it.
  std::uint64_t available = meminfo_available();
  if (available == 0) available = physical_memory();
  rlimit limit{};
  if (::getrlimit(RLIMIT_RSS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<std::uint64_t>(limit.rlim_cur) < available) {
    available = static_cast<std::uint64_t>(limit.rlim_cur);
  }
  return available;
}

// ------------------------------------------------------------------ files

Handle open_file(const std::string& path, Access access) {
  int fd = -1;
  switch (access) {
    case Access::read:
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      break;
    case Access::read_or_create:
      fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
      break;
    case Access::write_truncating:
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      break;
  }
  return fd < 0 ? no_file : Handle{fd};
}

Handle standard_stream(int number) { return Handle{number}; }

std::int64_t read_some(Handle file, char* into, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(descriptor(file), into, size);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

bool write_all(Handle file, const char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::write(descriptor(file), bytes + done, size - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool write_at(Handle file, std::uint64_t offset, const char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::pwrite(descriptor(file), bytes + done, size - done,
                                     static_cast<off_t>(offset + done));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool close_file(Handle file) { return ::close(descriptor(file)) == 0; }

Handle duplicate(Handle file) {
  const int fd = ::fcntl(descriptor(file), F_DUPFD_CLOEXEC, 0);
  return fd < 0 ? no_file : Handle{fd};
}

Status status(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return {};
  return status_of(info);
}

Status link_status(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return {};
  return status_of(info);
}

bool is_terminal(int number) { return ::isatty(number) == 1; }

bool may_write(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

namespace {
FileIdentity identity_in(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}
}  // namespace

std::optional<FileIdentity> identity(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return identity_in(info);
}

std::optional<FileIdentity> identity_of(Handle file) {
  struct stat info;
  if (::fstat(descriptor(file), &info) != 0) return std::nullopt;
  return identity_in(info);
}

std::optional<std::uint64_t> size_of(Handle file) {
  struct stat info;
  if (::fstat(descriptor(file), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool folder_lists(const std::string& folder, std::string_view name) {
  DIR* const listing = ::opendir(folder.empty() ? "." : folder.c_str());
  if (listing == nullptr) return true;
  bool found = false;
  while (const dirent* entry = ::readdir(listing)) {
    if (name == entry->d_name) {
      found = true;
      break;
    }
  }
  ::closedir(listing);
  return found;
}

std::FILE* anonymous_temporary_file() { return std::tmpfile(); }

bool seek(std::FILE* file, std::int64_t offset, bool from_end) {
  if (offset > std::numeric_limits<off_t>::max()) {
    errno = EOVERFLOW;
    return false;
  }
  return ::fseeko(file, static_cast<off_t>(offset), from_end ? SEEK_END : SEEK_SET) == 0;
}

// ------------------------------------------------ temporary files and locks

Created create_locked(const std::string& path, std::optional<std::uint32_t> permissions,
                      Handle& file) {
  // Created no more open than the file it replaces (the umask may only take
  // bits away), then given exactly its bits before anything is written.
  const mode_t open_mode = permissions ? static_cast<mode_t>(*permissions & 0666) : 0644;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, open_mode);
  if (fd < 0) return errno == EEXIST ? Created::name_taken : Created::failed;
  // A sweep by another run may lock the file between its creation and this
  // lock and take it for a leftover: then it is gone. Where the file system
  // has no locks, sweeps cannot lock it either.
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (!names_the_file(fd, path)) {
    ::close(fd);
    return Created::vanished;
  }
  if (permissions && ::fchmod(fd, static_cast<mode_t>(*permissions & 07777)) != 0) {
    const int reason = errno;
    ::unlink(path.c_str());
    ::close(fd);
    errno = reason;
    return Created::permissions_not_set;
  }
  file = Handle{fd};
  return Created::yes;
}

bool place_file(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void remove_stale_files(const std::string& directory,
                        bool (*matches)(std::string_view name)) noexcept {
  DIR* const listing = ::opendir(directory.empty() ? "." : directory.c_str());
  if (listing == nullptr) return;
  const int dir_fd = ::dirfd(listing);
  while (const dirent* entry = ::readdir(listing)) {
    if (matches(entry->d_name)) remove_if_stale(dir_fd, entry->d_name);
  }
  ::closedir(listing);
}

// ------------------------------------------------------------- interrupts

int list_for_interrupt(const std::string& path) { return interrupt_list::list(path); }

void unlist_for_interrupt(int entry) noexcept { interrupt_list::unlist(entry); }

void install_interrupt_cleanup() {
  struct sigaction action {};
  action.sa_handler = remove_listed_files_and_end;
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

namespace {
sigset_t interrupt_set() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : interrupt_signals) sigaddset(&set, s);
  return set;
}
}  // namespace

InterruptsDeferred::InterruptsDeferred() {
  static_assert(sizeof(sigset_t) <= sizeof earlier_, "InterruptsDeferred keeps a sigset_t");
  const sigset_t blocked = interrupt_set();
  ::pthread_sigmask(SIG_BLOCK, &blocked, reinterpret_cast<sigset_t*>(earlier_));
}

InterruptsDeferred::~InterruptsDeferred() {
  ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(earlier_), nullptr);
}

void take_interrupts_on_this_thread() {
  const sigset_t taken = interrupt_set();
  ::pthread_sigmask(SIG_UNBLOCK, &taken, nullptr);
}

}  // namespace meridian::platform
