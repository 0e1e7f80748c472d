#include "files/input_file.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"

namespace meridian {
namespace {

constexpr std::size_t input_buffer_size = std::size_t{1} << 20;

using platform::last_error;

}  // namespace

InputFile::InputFile(std::string name, platform::Handle file, std::string text)
    : name_(std::move(name)), file_(file) {
  if (file_ == platform::no_file) {
    buffer_.assign(text.begin(), text.end());
    end_ = buffer_.size();
    eof_ = true;
  } else {
    buffer_.resize(input_buffer_size);
  }
}

InputFile InputFile::open(const std::string& path) {
  // A missing input file is created empty, so its first read meets end of file.
  const platform::Handle handle = platform::open_file(path, platform::Access::read_or_create);
  if (handle == platform::no_file) fail_file(path, "cannot open for reading: " + last_error());
  InputFile file(path, handle, {});
  file.owns_file_ = true;
  return file;
}

InputFile InputFile::open_existing(const std::string& path) {
  const platform::Handle handle = platform::open_file(path, platform::Access::read);
  if (handle == platform::no_file) fail_file(path, "cannot open for reading: " + last_error());
  InputFile file(path, handle, {});
  file.owns_file_ = true;
  return file;
}

InputFile InputFile::standard_input() {
  // A process without standard input reads it as empty.
  const platform::Handle input = platform::standard_stream(0);
  if (input == platform::no_file) return InputFile("console", platform::no_file, {});
  return InputFile("console", input, {});
}

InputFile InputFile::from_text(std::string name, std::string text) {
  return InputFile(std::move(name), -1, std::move(text));
}

InputFile::InputFile(InputFile&& other) noexcept
    : name_(std::move(other.name_)),
      file_(other.file_),
      owns_file_(other.owns_file_),
      eof_(other.eof_),
      buffer_(std::move(other.buffer_)),
      begin_(other.begin_),
      end_(other.end_),
      line_number_(other.line_number_),
      bytes_read_(other.bytes_read_),
      watch_(std::move(other.watch_)),
      growth_wait_(std::move(other.growth_wait_)),
      complete_records_only_(other.complete_records_only_) {
  other.file_ = platform::no_file;
  other.owns_file_ = false;
}

InputFile::~InputFile() {
  if (owns_file_) platform::close_file(file_);
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
  std::int64_t got = platform::read_some(file_, buffer_.data() + end_, buffer_.size() - end_);
  // A file that may still grow is read again for as long as its follower
  // waits for more.
  while (got == 0 && growth_wait_ && growth_wait_(bytes_read_)) {
    got = platform::read_some(file_, buffer_.data() + end_, buffer_.size() - end_);
  }
  if (got < 0) fail_file(name_, "cannot read: " + last_error());
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  bytes_read_ += static_cast<std::uint64_t>(got);
  if (watch_) watch_(bytes_read_);
  return true;
}

bool InputFile::next_line_reading(std::string_view& line) {
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
      if (complete_records_only_) begin_ = end_;  // a record cut short is no record
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

void InputFile::fail_end_of_file(std::string_view what) const {
  fail_line(name_, line_number_ + 1, "end of file while reading " + std::string(what));
}

void InputFile::fail_here(std::string_view what) const { fail_line(name_, line_number_, what); }

bool file_exists(const std::string& path) {
  return platform::status(path).kind != platform::Kind::missing;
}

bool input_file_exists(const std::string& path) {
  const platform::Kind kind = platform::status(path).kind;
  return kind != platform::Kind::missing && kind != platform::Kind::directory;
}

}  // namespace meridian
