// The platform interface on Windows. Paths and arguments cross the system
// interface as UTF-16; files are Win32 handles, read and written with
// ReadFile and WriteFile, so no byte is translated (no CR is added before an
// LF on the console either). Offsets are 64-bit throughout.
//
// The lock of a temporary file is its open handle: the run opens it sharing
// reading and deleting but not writing, and a sweep opens a candidate sharing
// nothing, which fails while any process has it open. An interrupt (Ctrl+C,
// Ctrl+Break, the console closed) arrives on a thread of its own.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/interrupt_list.hpp"
#include "platform/platform.hpp"

namespace meridian::platform {
namespace {

HANDLE native(Handle file) { return reinterpret_cast<HANDLE>(file); }
Handle wrapped(HANDLE file) {
  return file == INVALID_HANDLE_VALUE || file == nullptr ? no_file
                                                          : reinterpret_cast<Handle>(file);
}

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size);
  }
  return wide;
}

std::string narrow(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();  // the terminating null
  return bytes;
}

// The errno of a Windows error code, so that last_error() words it as on the
// other systems.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    default:
      return EIO;
  }
}

void keep_error() { errno = errno_of(::GetLastError()); }

// A refused access to a folder reads as on POSIX systems.
void keep_error_at(const std::wstring& path) {
  const DWORD error = ::GetLastError();
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  errno = error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                  (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
              ? EISDIR
              : errno_of(error);
}

// The C library's wording of the errors above, as glibc has it, so that the
// messages are the same on every system (msvcrt words a few differently).
const char* reason_text(int error) {
  switch (error) {
    case ENOENT:
      return "No such file or directory";
    case EACCES:
      return "Permission denied";
    case EEXIST:
      return "File exists";
    case ENOSPC:
      return "No space left on device";
    case ENOTDIR:
      return "Not a directory";
    case EISDIR:
      return "Is a directory";
    case ENOMEM:
      return "Cannot allocate memory";
    case EMFILE:
      return "Too many open files";
    case EBADF:
      return "Bad file descriptor";
    case EPIPE:
      return "Broken pipe";
    case ENOTEMPTY:
      return "Directory not empty";
    case ENAMETOOLONG:
      return "File name too long";
    case EINVAL:
      return "Invalid argument";
    case EFBIG:
      return "File too large";
    case EIO:
      return "Input/output error";
    default:
      return nullptr;
  }
}

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The largest transfer of one ReadFile or WriteFile call.
constexpr std::size_t largest_transfer = std::size_t{1} << 30;

DWORD attributes_of(const std::string& path) { return ::GetFileAttributesW(widen(path).c_str()); }

Status status_of(DWORD attributes) {
  Status status;
  if (attributes == INVALID_FILE_ATTRIBUTES) return status;
  status.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::directory : Kind::regular;
  return status;
}

BOOL WINAPI remove_listed_files_and_end(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  // No thread lists a new file from now on; those listing one finish first.
  interrupt_list::ending.store(true);
  while (interrupt_list::deferring.load() > 0) ::Sleep(1);
  interrupt_list::for_each_live([](const char* name) { ::DeleteFileW(widen(name).c_str()); });
  // The status a console program ended by Ctrl+C has.
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
  return TRUE;
}

}  // namespace

std::string last_error() {
  const int error = errno;
  const char* text = reason_text(error);
  return text != nullptr ? text : std::strerror(error);
}

std::vector<std::string> command_line_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    // No UTF-16 command line to be had: the bytes the C library gives.
    if (argc < 1) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

bool change_directory(const std::string& path) {
  if (::SetCurrentDirectoryW(widen(path).c_str())) return true;
  keep_error();
  return false;
}

long process_id() { return static_cast<long>(::GetCurrentProcessId()); }

int usable_cpus() {
  // CPUs of the process's own group (up to 64), as its affinity mask has them.
  DWORD_PTR process = 0, system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return 1;
  const int count = std::popcount(static_cast<std::uint64_t>(process));
  return count > 0 ? count : 1;
}

// Windows holds millions of handles a process; the C runtime's own limit
// does not apply to Win32 handles.
std::int64_t raise_open_file_limit() { return 1 << 24; }

std::uint64_t available_memory() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (!::GlobalMemoryStatusEx(&memory) || memory.ullAvailPhys == 0) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return memory.ullAvailPhys;
}

// ------------------------------------------------------------------ files

Handle open_file(const std::string& path, Access access) {
  const std::wstring wide = widen(path);
  DWORD rights = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (access) {
    case Access::read:
      break;
    case Access::read_or_create:
      disposition = OPEN_ALWAYS;
      break;
    case Access::write_truncating:
      rights = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  const HANDLE file = ::CreateFileW(wide.c_str(), rights, share_all, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) keep_error_at(wide);
  return wrapped(file);
}

Handle standard_stream(int number) {
  const DWORD which = number == 0   ? STD_INPUT_HANDLE
                      : number == 1 ? STD_OUTPUT_HANDLE
                                    : STD_ERROR_HANDLE;
  return wrapped(::GetStdHandle(which));
}

bool is_terminal(int number) {
  DWORD mode = 0;
  return ::GetConsoleMode(native(standard_stream(number)), &mode) != 0;
}

std::int64_t read_some(Handle file, char* into, std::size_t size) {
  DWORD got = 0;
  const auto wanted = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
  if (::ReadFile(native(file), into, wanted, &got, nullptr)) return got;
  const DWORD error = ::GetLastError();
  // The writing end of a pipe closed: the end of the input.
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
  errno = errno_of(error);
  return -1;
}

bool write_all(Handle file, const char* bytes, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const auto part = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
    if (!::WriteFile(native(file), bytes, part, &written, nullptr)) {
      keep_error();
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool write_at(Handle file, std::uint64_t offset, const char* bytes, std::size_t size) {
  // A write at an offset moves a synchronous handle's file pointer: it is
  // put back where it was.
  LARGE_INTEGER zero{};
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(native(file), zero, &position, FILE_CURRENT)) {
    keep_error();
    return false;
  }
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    const auto part = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
    if (!::WriteFile(native(file), bytes, part, &written, &at)) {
      keep_error();
      return false;
    }
    bytes += written;
    size -= written;
    offset += written;
  }
  if (!::SetFilePointerEx(native(file), position, nullptr, FILE_BEGIN)) {
    keep_error();
    return false;
  }
  return true;
}

bool close_file(Handle file) {
  if (::CloseHandle(native(file))) return true;
  keep_error();
  return false;
}

Handle duplicate(Handle file) {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), native(file), ::GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
    keep_error();
    return no_file;
  }
  return wrapped(copy);
}

Status status(const std::string& path) {
  const DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return status_of(attributes);
  }
  // A link: what it leads to.
  const HANDLE file = ::CreateFileW(widen(path).c_str(), 0, share_all, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(file, &information);
  ::CloseHandle(file);
  return known ? status_of(information.dwFileAttributes) : Status{};
}

Status link_status(const std::string& path) {
  const DWORD attributes = attributes_of(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Status{Kind::link, 0};
  }
  return status_of(attributes);
}

bool may_write(const std::string& path) {
  // The read-only attribute, without opening the file: a handle held even
  // briefly would make another run's rename over it fail. (A file an access
  // list keeps from this user fails at the rename instead.)
  const DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    keep_error();
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

std::FILE* anonymous_temporary_file() {
  // In the user's temporary folder, deleted by the system once closed (also
  // when the process is killed).
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || ::GetTempFileNameW(folder, L"mer", 0, name) == 0) {
    keep_error();
    return nullptr;
  }
  const HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    keep_error();
    ::DeleteFileW(name);
    return nullptr;
  }
  const int descriptor = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDWR | _O_BINARY);
  if (descriptor < 0) {
    ::CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = ::_fdopen(descriptor, "w+b");
  if (stream == nullptr) ::_close(descriptor);
  return stream;
}

bool seek(std::FILE* file, std::int64_t offset, bool from_end) {
  return ::_fseeki64(file, offset, from_end ? SEEK_END : SEEK_SET) == 0;
}

// ------------------------------------------------ temporary files and locks

Created create_locked(const std::string& path, std::optional<std::uint32_t>, Handle& file) {
  // Open from its creation on, so no sweep can take it: there is no moment
  // between the creation and the lock. Deleting is shared, so that the file
  // can be renamed, and removed by the interrupt handler, while it is held.
  const HANDLE created = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    errno = errno_of(error);
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::name_taken
                                                                       : Created::failed;
  }
  file = wrapped(created);
  return Created::yes;
}

bool place_file(const std::string& from, const std::string& to) {
  const std::wstring source = widen(from);
  const std::wstring target = widen(to);
  // A file that another process has open for a moment (a second run, a
  // virus scanner, a viewer reading it) cannot be replaced until it is
  // closed: a few tries, 10 ms apart, before the failure counts.
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder || attempt == 50 ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) {
      ::SetLastError(error);
      keep_error_at(target);
      return false;
    }
    ::Sleep(10);
  }
}

bool remove_file(const std::string& path) {
  if (::DeleteFileW(widen(path).c_str())) return true;
  keep_error();
  return false;
}

namespace {
std::optional<FileIdentity> identity_of_handle(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file, &information)) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}
}  // namespace

std::optional<FileIdentity> identity(const std::string& path) {
  const HANDLE file = ::CreateFileW(widen(path).c_str(), 0, share_all, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::optional<FileIdentity> found = identity_of_handle(file);
  ::CloseHandle(file);
  return found;
}

std::optional<FileIdentity> identity_of(Handle file) { return identity_of_handle(native(file)); }

std::optional<std::uint64_t> size_of(Handle file) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(native(file), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool folder_lists(const std::string& folder, std::string_view name) {
  try {
    std::wstring pattern = widen(folder.empty() ? "." : folder);
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool listed = false;
    do {
      if (narrow(found.cFileName) == name) {
        listed = true;
        break;
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return listed;
  } catch (...) {
    return true;
  }
}

void remove_stale_files(const std::string& directory,
                        bool (*matches)(std::string_view name)) noexcept {
  try {
    std::wstring folder = widen(directory.empty() ? "." : directory);
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L'*').c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      // Links and folders are never leftovers.
      if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        continue;
      }
      if (!matches(narrow(found.cFileName))) continue;
      // Opened sharing nothing, which fails while any run holds the file:
      // then it is live. Otherwise it goes when this handle closes.
      const HANDLE file = ::CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr,
                                        OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr);
      if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  } catch (...) {
  }
}

// ------------------------------------------------------------- interrupts

int list_for_interrupt(const std::string& path) { return interrupt_list::list(path); }

void unlist_for_interrupt(int entry) noexcept { interrupt_list::unlist(entry); }

void install_interrupt_cleanup() { ::SetConsoleCtrlHandler(remove_listed_files_and_end, TRUE); }

namespace {
// Scopes open on this thread: only the outermost counts, so that a scope
// opened within another never waits for an end that waits for it.
thread_local int deferred_depth = 0;
}  // namespace

InterruptsDeferred::InterruptsDeferred() : earlier_{} {
  if (deferred_depth++ > 0) return;
  interrupt_list::deferring.fetch_add(1);
  if (interrupt_list::ending.load()) {
    // The handler is ending the run: wait here for the end.
    interrupt_list::deferring.fetch_sub(1);
    ::Sleep(INFINITE);
  }
}

InterruptsDeferred::~InterruptsDeferred() {
  if (--deferred_depth > 0) return;
  interrupt_list::deferring.fetch_sub(1);
}

void take_interrupts_on_this_thread() {}

}  // namespace meridian::platform
