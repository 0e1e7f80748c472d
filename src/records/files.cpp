#include "records/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "records/fatal.hpp"

namespace meridian {
namespace {

constexpr std::size_t input_buffer_size = std::size_t{1} << 20;
constexpr std::size_t output_buffer_size = std::size_t{1} << 18;

std::string system_reason() { return std::strerror(errno); }

// An output file whose write failed is incomplete: a regular file of that name
// is removed, so that nothing half-written is left to be taken for a result
// (devices and pipes are left alone). Returns what to add to the message.
std::string discard_incomplete(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.c_str()) == 0) {
    return "; the incomplete file is removed";
  }
  return "";
}

}  // namespace

// ---------------------------------------------------------------- InputFile

InputFile::InputFile(std::string name, int fd, std::string text) : name_(std::move(name)), fd_(fd) {
  if (fd_ < 0) {
    buffer_.assign(text.begin(), text.end());
    end_ = buffer_.size();
    eof_ = true;
  } else {
    buffer_.resize(input_buffer_size);
  }
}

InputFile InputFile::open(const std::string& path) {
  // A missing input file is created empty, so its first read meets end of file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail_file(path, "cannot open for reading: " + system_reason());
  InputFile file(path, fd, {});
  file.owns_fd_ = true;
  return file;
}

InputFile InputFile::open_existing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail_file(path, "cannot open for reading: " + system_reason());
  InputFile file(path, fd, {});
  file.owns_fd_ = true;
  return file;
}

InputFile InputFile::standard_input() { return InputFile("console", 0, {}); }

InputFile InputFile::from_text(std::string name, std::string text) {
  return InputFile(std::move(name), -1, std::move(text));
}

InputFile::InputFile(InputFile&& other) noexcept
    : name_(std::move(other.name_)),
      fd_(other.fd_),
      owns_fd_(other.owns_fd_),
      eof_(other.eof_),
      buffer_(std::move(other.buffer_)),
      begin_(other.begin_),
      end_(other.end_),
      line_number_(other.line_number_),
      bytes_read_(other.bytes_read_),
      watch_(std::move(other.watch_)) {
  other.fd_ = -1;
  other.owns_fd_ = false;
}

InputFile::~InputFile() {
  if (owns_fd_) ::close(fd_);
}

bool InputFile::refill() {
  // Keep the unread tail, then read more behind it; a record longer than the
  // buffer makes the buffer grow.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got < 0) {
      if (errno == EINTR) continue;
      fail_file(name_, "cannot read: " + system_reason());
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    bytes_read_ += static_cast<std::uint64_t>(got);
    if (watch_) watch_(bytes_read_);
    return true;
  }
}

bool InputFile::next_line(std::string_view& line) {
  std::size_t scanned = begin_;
  for (;;) {
    // memchr must not see the null data pointer of an empty buffer.
    const void* found =
        scanned < end_ ? std::memchr(buffer_.data() + scanned, '\n', end_ - scanned) : nullptr;
    if (found != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data());
      std::size_t stop = at;
      if (stop > begin_ && buffer_[stop - 1] == '\r') --stop;
      line = std::string_view(buffer_.data() + begin_, stop - begin_);
      begin_ = at + 1;
      ++line_number_;
      return true;
    }
    if (eof_) {
      if (begin_ == end_) return false;
      // A last record without a line end.
      std::size_t stop = end_;
      if (stop > begin_ && buffer_[stop - 1] == '\r') --stop;
      line = std::string_view(buffer_.data() + begin_, stop - begin_);
      begin_ = end_;
      ++line_number_;
      return true;
    }
    const std::size_t already = end_ - begin_;
    refill();
    scanned = begin_ + already;
  }
}

std::string_view InputFile::require_line(std::string_view what) {
  std::string_view line;
  if (!next_line(line)) {
    fail_line(name_, line_number_ + 1, "end of file while reading " + std::string(what));
  }
  return line;
}

void InputFile::fail_here(std::string_view what) const { fail_line(name_, line_number_, what); }

// ---------------------------------------------------------------- OutputFile

OutputFile::OutputFile(std::string name, int fd, bool owns, bool in_memory, TemporaryFile temporary)
    : name_(std::move(name)),
      fd_(fd),
      owns_fd_(owns),
      in_memory_(in_memory),
      buffer_(new char[output_buffer_size]),
      capacity_(output_buffer_size),
      temporary_(std::move(temporary)) {}

OutputFile OutputFile::create(const std::string& path) {
  // Emptied on open, so the file holds exactly what this run writes.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail_file(path, "cannot open for writing: " + system_reason());
  return OutputFile(path, fd, true, false);
}

OutputFile OutputFile::create_replacing(const std::string& path, PlacedFiles* placed) {
  struct stat existing;
  const bool exists = ::lstat(path.c_str(), &existing) == 0;
  // A device or a pipe cannot be replaced, a link is written through to the
  // file it names (and stays a link), and a directory fails as it does there.
  if (exists && !S_ISREG(existing.st_mode)) return create(path);
  // Nor is a file replaced that this run could not open for writing.
  if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    fail_file(path, "cannot open for writing: " + system_reason());
  }
  OutputFile file = create_renaming(path);
  file.placed_ = placed;
  return file;
}

OutputFile OutputFile::create_renaming(const std::string& path) {
  struct stat existing;
  const bool exists = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  TemporaryFile temporary = TemporaryFile::create_beside(
      path, exists ? std::optional<mode_t>(existing.st_mode & 07777) : std::nullopt);
  // The records go through a second descriptor: closing it reports the last
  // write errors while the first keeps the lock until the rename.
  const int fd = ::fcntl(temporary.descriptor(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) fail_file(path, "cannot open for writing: " + system_reason());
  OutputFile file(path, fd, true, false, std::move(temporary));
  file.replacing_ = true;
  file.replaces_existing_ = exists;
  return file;
}

OutputFile OutputFile::standard_output() { return OutputFile("console", 1, false, false); }

OutputFile OutputFile::in_memory(std::string name) { return OutputFile(std::move(name), -1, false, true); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : name_(std::move(other.name_)),
      fd_(other.fd_),
      owns_fd_(other.owns_fd_),
      in_memory_(other.in_memory_),
      buffer_(std::move(other.buffer_)),
      capacity_(other.capacity_),
      used_(other.used_),
      memory_(std::move(other.memory_)),
      temporary_(std::move(other.temporary_)),
      replacing_(other.replacing_),
      replaces_existing_(other.replaces_existing_),
      placed_(other.placed_) {
  other.fd_ = -1;
  other.owns_fd_ = false;
  other.capacity_ = 0;
  other.used_ = 0;
}

OutputFile::~OutputFile() {
  // Whatever was written stays written, also when the run ends on an error. A
  // replacing file is complete only once closed: here it is abandoned, and
  // temporary_ removes its file.
  if (!replacing_) {
    try {
      drain();
    } catch (...) {
    }
  }
  if (owns_fd_) ::close(fd_);
}

std::string OutputFile::discard_after_failure() {
  if (!replacing_) return discard_incomplete(name_);
  temporary_.discard();
  return replaces_existing_ ? "; the earlier file is left as it was" : "; no file is made";
}

void OutputFile::drain() {
  if (used_ == 0) return;
  const std::size_t size = used_;
  used_ = 0;
  put(buffer_.get(), size);
}

void OutputFile::put(const char* bytes, std::size_t size) {
  if (in_memory_) {
    memory_.append(bytes, size);
    return;
  }
  if (fd_ < 0) return;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::write(fd_, bytes + done, size - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      const std::string reason = system_reason();
      fail_file(name_, "cannot write: " + reason + (owns_fd_ ? discard_after_failure() : ""));
    }
    done += static_cast<std::size_t>(written);
  }
}

char* OutputFile::reserve(std::size_t size) {
  if (used_ + size > capacity_) {
    drain();
    if (size > capacity_) {
      std::size_t grown = capacity_ == 0 ? output_buffer_size : capacity_;
      while (grown < size) grown *= 2;
      buffer_.reset(new char[grown]);
      capacity_ = grown;
    }
  }
  return buffer_.get() + used_;
}

void OutputFile::write_record(std::string_view bytes) {
  char* area = reserve(bytes.size() + 2);
  std::memcpy(area, bytes.data(), bytes.size());
  area[bytes.size()] = '\r';
  area[bytes.size() + 1] = '\n';
  commit(bytes.size() + 2);
}

void OutputFile::write_bytes(std::string_view bytes) {
  // A run of bytes as large as the buffer goes out directly, behind what the
  // buffer holds, without a copy.
  if (bytes.size() >= capacity_ && capacity_ > 0) {
    drain();
    put(bytes.data(), bytes.size());
    return;
  }
  char* area = reserve(bytes.size());
  std::memcpy(area, bytes.data(), bytes.size());
  commit(bytes.size());
}

void OutputFile::flush() { drain(); }

void OutputFile::close() {
  drain();
  if (owns_fd_) {
    const int fd = fd_;
    fd_ = -1;
    owns_fd_ = false;
    if (::close(fd) != 0) {
      const std::string reason = system_reason();
      fail_file(name_, "cannot write: " + reason + discard_after_failure());
    }
  }
  if (!temporary_.holds_file()) return;
  std::optional<FileIdentity> identity;
  if (placed_ != nullptr) {
    try {
      placed_->check_before_placing(name_);
    } catch (const FatalError&) {
      temporary_.discard();
      throw;
    }
    identity = identity_of_descriptor(temporary_.descriptor());
  }
  if (!temporary_.rename_to(name_)) {
    const int rename_errno = errno;
    const std::string refused = refused_name_reason(name_, rename_errno);
    const std::string reason = refused.empty() ? system_reason() : refused;
    fail_file(name_, "cannot put the new file in place: " + reason + discard_after_failure());
  }
  if (placed_ != nullptr) placed_->add(name_, identity);
}

bool file_exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool input_file_exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace meridian
