#pragma once
// The input file: a record file read forwards, record by record. Every file
// is opened positioned at its start; one that does not exist may be created
// empty (its first read meets end of file). A CR just before the LF is not
// part of the record. A file that another process is still writing can be
// followed as it grows. Failures to open or read end the run through
// FatalError, naming the file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.hpp"
#include "records/record_streams.hpp"

namespace meridian {

// Told the number of bytes an input file has read so far, after each read
// from the file.
using ReadWatch = std::function<void(std::uint64_t bytes_read)>;

// Asked at the end of a file that may still grow (a listing its solver is
// still writing), with the bytes read so far: true once it has waited and
// the file should be read again, false to take the end as the end. It may
// end the run (FatalError) when the file can no longer be followed.
using GrowthWait = std::function<bool(std::uint64_t bytes_read)>;

class InputFile final : public RecordSource {
 public:
  // Opens `path` for sequential reading; creates it empty when it does not exist.
  static InputFile open(const std::string& path);
  // Opens `path`, which must exist (no file is created).
  static InputFile open_existing(const std::string& path);
  // Standard input, named "console" in messages.
  static InputFile standard_input();
  // Reads from an in-memory text (tests and harnesses), named `name`.
  static InputFile from_text(std::string name, std::string text);

  InputFile(InputFile&&) noexcept;
  InputFile& operator=(InputFile&&) = delete;
  ~InputFile();

  // Next record without its line end; false at end of file. The view stays valid
  // until the next call.
  bool next_line(std::string_view& line) override {
    // A record that lies whole in the buffer is found here, without a call;
    // the rest reads more of the file.
    if (begin_ < end_) {
      const char* const start = buffer_.data() + begin_;
      if (const void* found = std::memchr(start, '\n', end_ - begin_)) {
        const char* const line_end = static_cast<const char*>(found);
        const char* stop = line_end;
        if (stop > start && stop[-1] == '\r') --stop;
        line = std::string_view(start, static_cast<std::size_t>(stop - start));
        begin_ = static_cast<std::size_t>(line_end + 1 - buffer_.data());
        ++line_number_;
        return true;
      }
    }
    return next_line_reading(line);
  }
  // Next record; end of file ends the run ("end of file while reading <what>").
  std::string_view require_line(std::string_view what) {
    std::string_view line;
    if (!next_line(line)) [[unlikely]] fail_end_of_file(what);
    return line;
  }
  // Number of the record last returned (1 for the first), 0 before any read.
  long line_number() const override { return line_number_; }
  const std::string& name() const override { return name_; }

  [[noreturn]] void fail_here(std::string_view what) const;  // names the current line

  // Calls `watch` after every read from the file (not for in-memory texts).
  void watch_reading(ReadWatch watch) { watch_ = std::move(watch); }
  // At the end of the file, `wait` decides whether more is to come (see
  // GrowthWait); the reader then goes on from where it was, also in the
  // middle of a record.
  void follow_growth(GrowthWait wait) { growth_wait_ = std::move(wait); }
  // A last record without its line end is not taken for a record: the file
  // was cut, or is still being written, in the middle of it.
  void complete_records_only() { complete_records_only_ = true; }
  // Whether the end of the file has been met with nothing left to read.
  bool at_end() const { return eof_ && begin_ == end_; }
  // The open file (no_file for texts and standard input's absence).
  platform::Handle handle() const { return file_; }

 private:
  InputFile(std::string name, platform::Handle file, std::string text);
  bool refill();
  bool next_line_reading(std::string_view& line);
  [[noreturn]] void fail_end_of_file(std::string_view what) const;

  std::string name_;
  platform::Handle file_ = platform::no_file;
  bool owns_file_ = false;
  bool eof_ = false;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // first unread byte in buffer_
  std::size_t end_ = 0;    // one past the last valid byte in buffer_
  long line_number_ = 0;
  std::uint64_t bytes_read_ = 0;
  ReadWatch watch_;
  GrowthWait growth_wait_;
  bool complete_records_only_ = false;
};

// Whether a file of that name exists in the current directory (driver's check
// before the listing phase of jobs 0 and 5).
bool file_exists(const std::string& path);
// Whether `path` names something to read: it exists and is not a folder.
bool input_file_exists(const std::string& path);

}  // namespace meridian
