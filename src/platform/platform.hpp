#pragma once
// The program's one interface to the operating system: files, renames, the
// lock that tells a live temporary file from a leftover, the interrupt that
// removes a run's temporaries, CPUs, memory, the working directory and the
// command line. It is implemented once for POSIX systems (posix.cpp) and once
// for Windows (windows.cpp); CMake compiles the one of the target system.
// Nothing above this folder knows which one it runs on.
//
// Paths and arguments are UTF-8 here; the Windows side converts them to and
// from UTF-16 at the system interface. A call that fails leaves its reason for
// last_error(), worded as the C library words errno ("No such file or
// directory"), on every system alike.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridian::platform {

// Whether file names must keep to the characters every file system takes.
// Windows refuses ':' and a few others in file names, so there step and
// interface files always have the portable names.
#if defined(_WIN32)
inline constexpr bool names_must_be_portable = true;
#else
inline constexpr bool names_must_be_portable = false;
#endif

// The characters that end the folder part of a path.
#if defined(_WIN32)
inline constexpr std::string_view path_separators = "/\\";
#else
inline constexpr std::string_view path_separators = "/";
#endif

// The reason of the last failed call of this interface on this thread.
std::string last_error();

// The command-line arguments after the program name, as UTF-8. `argv` is
// main's; Windows reads the UTF-16 command line instead.
std::vector<std::string> command_line_arguments(int argc, char** argv);

// Makes `path` the working directory; false when it cannot.
bool change_directory(const std::string& path);

// The number of this process, as it appears in temporary file names.
long process_id();

// CPUs this process may run on (its affinity), at least 1.
int usable_cpus();

// The number of files this process may hold open at once, first raised to
// the most the system lets it have (POSIX: the soft RLIMIT_NOFILE up to the
// hard one); a large number where nothing smaller is known (Windows).
std::int64_t raise_open_file_limit();

// Memory this process can still use, in bytes: what the system has available,
// lowered to a limit set on the process; the largest value when nothing can be
// learnt.
std::uint64_t available_memory();

// ------------------------------------------------------------------ files

// An open file: a file descriptor, or a Windows HANDLE.
using Handle = std::intptr_t;
inline constexpr Handle no_file = -1;

enum class Access {
  read,              // the file must exist
  read_or_create,    // created empty when missing
  write_truncating,  // created, or emptied when it exists
};
// The opened file, or no_file.
Handle open_file(const std::string& path, Access access);

// Standard input (0), output (1) and error (2), unbuffered and untranslated:
// the bytes written are the bytes that arrive. no_file when the process has
// none.
Handle standard_stream(int number);

// Whether standard stream `number` (0, 1, 2) is a terminal (a console).
bool is_terminal(int number);

// Reads up to `size` bytes: the count read, 0 at end of file, -1 on failure.
std::int64_t read_some(Handle file, char* into, std::size_t size);
// Writes all `size` bytes; false on failure.
bool write_all(Handle file, const char* bytes, std::size_t size);
// Writes all `size` bytes at `offset` from the file's start, leaving the
// position of the sequential writes where it was; false on failure.
bool write_at(Handle file, std::uint64_t offset, const char* bytes, std::size_t size);
// Closes the file; false when the close reports a failure of earlier writes.
bool close_file(Handle file);
// A second handle of the same open file (with its own close), or no_file.
Handle duplicate(Handle file);

enum class Kind { missing, regular, directory, link, other };
struct Status {
  Kind kind = Kind::missing;
  std::uint32_t permissions = 0;  // POSIX mode bits (07777); 0 on Windows
};
// What `path` names, following links.
Status status(const std::string& path);
// What `path` is itself: a link is Kind::link.
Status link_status(const std::string& path);
// Whether this process may open the existing `path` for writing.
bool may_write(const std::string& path);

// What tells two files apart: the device (volume) and the file's number on it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t number = 0;
  auto operator<=>(const FileIdentity&) const = default;
};
// The identity of what `path` names itself (a link is not followed), or of an
// open file; nothing when it cannot be had.
std::optional<FileIdentity> identity(const std::string& path);
std::optional<FileIdentity> identity_of(Handle file);
// The size in bytes of an open file, now (a file another process is writing
// grows); nothing when it cannot be had.
std::optional<std::uint64_t> size_of(Handle file);
// Whether `folder` lists an entry of exactly the name `name` (letter case
// too); true when the folder cannot be listed.
bool folder_lists(const std::string& folder, std::string_view name);

// A temporary file of the program's own (the step store), removed when
// closed or when the process ends; nullptr on failure.
std::FILE* anonymous_temporary_file();
// Positions `file` at a 64-bit `offset` from its start (or from its end when
// `from_end`); false on failure.
bool seek(std::FILE* file, std::int64_t offset, bool from_end = false);

// ------------------------------------------------ temporary files and locks

enum class Created { yes, name_taken, vanished, failed, permissions_not_set };
// Creates `path`, which must not exist, for writing, and locks it so that no
// other run's remove_stale_files takes it for a leftover while this process
// holds it. `permissions` (POSIX bits) unset: 0644 less the umask, as a new
// file gets; set: the file never has more than these, and has exactly these
// once created (the file it will replace keeps its bits; Windows ignores them). Created::vanished: a sweep of
// another run took the file between its creation and its lock (try another
// name). Created::permissions_not_set: the file could not be given its bits
// and is removed again. Other failures: Created::failed.
Created create_locked(const std::string& path, std::optional<std::uint32_t> permissions,
                      Handle& file);
// Puts the file `from` in place as `to` (a rename), replacing a file of that
// name; false on failure.
bool place_file(const std::string& from, const std::string& to);
// Removes the file `path`; false on failure.
bool remove_file(const std::string& path);

// Removes the files of `directory` whose names `matches` and that are
// leftovers: regular files that no process holds locked (create_locked).
// Failures are ignored.
void remove_stale_files(const std::string& directory, bool (*matches)(std::string_view name)) noexcept;

// ------------------------------------------------------------- interrupts

// The files an interrupt removes before the run ends: a fixed table, read by
// the interrupt handler without locks or allocation. list_for_interrupt gives
// the entry of `path`, or -1 when the table is full (the file is then left
// for a later run's sweep); unlist_for_interrupt(-1) does nothing.
int list_for_interrupt(const std::string& path);
// The entries of that table.
inline constexpr int interrupt_entries = 4096;
void unlist_for_interrupt(int entry) noexcept;

// Installs the handler that removes the listed files when the run is
// interrupted, then ends the run as the interrupt would have: SIGINT, SIGTERM
// and SIGHUP on POSIX systems (a signal ignored when this is called stays
// ignored); Ctrl+C, Ctrl+Break and the closing of the console on Windows.
// Relative names are removed relative to the working directory of the moment,
// which the run keeps.
void install_interrupt_cleanup();

// While it lives, no interrupt is handled on the calling thread: the
// interrupt waits until the files being created are listed. On POSIX systems
// the thread blocks the signals, and a thread started meanwhile inherits the
// blocked mask (helper threads so never take them).
class InterruptsDeferred {
 public:
  InterruptsDeferred();
  ~InterruptsDeferred();
  InterruptsDeferred(const InterruptsDeferred&) = delete;
  InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;

 private:
  // The thread's earlier signal mask (POSIX); large enough for a sigset_t.
  alignas(8) unsigned char earlier_[128];
};

// While it lives, interrupts are handled on other threads than the calling
// one, which hands its work of creating files to one of them: on POSIX
// systems the calling thread blocks the signals as InterruptsDeferred does
// (threads it starts meanwhile inherit that and call
// take_interrupts_on_this_thread); nothing on Windows, where the handler has
// a thread of its own.
#if defined(_WIN32)
class InterruptsOnOtherThreads {};
#else
using InterruptsOnOtherThreads = InterruptsDeferred;
#endif
// Lets the calling thread handle interrupts (POSIX: unblocks the signals).
void take_interrupts_on_this_thread();

}  // namespace meridian::platform
