#pragma once
// Record files. Every file is opened positioned at its start. An input file that
// does not exist is created empty (its first read meets end of file). An output
// file is created, or emptied when it exists, so it holds exactly what this run
// wrote. Every output record ends with CR LF; on input a CR just before the LF is
// not part of the record. Failures to open, read or write end the run through
// FatalError, naming the file.
//
// A replacing output file is written under a temporary name beside its final
// name and renamed over it when closed, so the final name holds either the
// earlier file or the complete new one (files/temporary_file.hpp).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.hpp"
#include "files/placed_files.hpp"
#include "records/record_streams.hpp"
#include "files/temporary_file.hpp"

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

class OutputFile final : public RecordSink {
 public:
  // Creates `path` or empties it.
  static OutputFile create(const std::string& path);
  // Writes the new `path` under a temporary name in its folder; close() renames
  // it over `path`. The new file keeps the permission bits of the one it
  // replaces (a new one gets 0644 less the umask) but belongs to this run's
  // user. Destroyed without close(), or when a write or the close fails, the
  // temporary file is removed and `path` stays as it was. A `path` that is a
  // symbolic link or not a regular file (a device, a pipe) is written in place
  // as by create(); an existing file this run may not write is not replaced.
  // With `placed`, the run ends instead of putting the file in place where
  // that would replace a file put in place earlier under another name, and
  // the file is noted there once in place. While `placed` holds results, a
  // closed file waits there under its temporary name (a link or a device
  // too, whose bytes are written there when placed).
  static OutputFile create_replacing(const std::string& path, PlacedFiles* placed = nullptr);
  // As create_replacing, but whatever `path` names (a link, too) is replaced by
  // the new file, and the permission bits are those of the file it names.
  static OutputFile create_renaming(const std::string& path);
  // Standard output, named "console"; flushed before every console read.
  static OutputFile standard_output();
  // Collects the bytes in memory (tests), named `name`.
  static OutputFile in_memory(std::string name);

  OutputFile(OutputFile&&) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  // Flushes; errors at this point are not reported (call close()). A replacing
  // file not closed is abandoned instead: its temporary file is removed.
  ~OutputFile();

  // Writes one record: `bytes` followed by CR LF.
  void write_record(std::string_view bytes) override;
  // Hot path: a writable area of `size` bytes at the end of the buffer; fill it
  // and call commit(size). Records written this way must add their own CR LF.
  char* reserve(std::size_t size);
  void commit(std::size_t size) { used_ += size; }
  // Raw bytes (already framed records).
  void write_bytes(std::string_view bytes);

  void flush();
  void close();  // flush and close (and rename a replacing file); failures end the run
  const std::string& name() const { return name_; }
  // Everything written so far (in-memory files only).
  const std::string& contents() const { return memory_; }

 private:
  OutputFile(std::string name, platform::Handle file, bool owns, bool in_memory,
             TemporaryFile temporary = {});
  void drain();
  // After a failed write: removes what is incomplete; returns what to add to
  // the message.
  std::string discard_after_failure();
  void put(const char* bytes, std::size_t size);  // straight to the file

  std::string name_;
  platform::Handle file_ = platform::no_file;
  bool owns_file_ = false;
  bool in_memory_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::string memory_;
  TemporaryFile temporary_;  // a replacing file's, until renamed or removed
  bool replacing_ = false;
  bool replaces_existing_ = false;  // a file was at the final name when created
  bool written_through_ = false;    // held bytes for a link or device (PlacedFiles)
  PlacedFiles* placed_ = nullptr;   // the run's placed files, when it keeps them
};

// Puts the results `placed` holds in place, in the order they were closed,
// each as OutputFile::close() would have (same checks, same messages). The
// first failure ends the run: the files before it are in place, it and those
// after it are removed.
void place_held_results(PlacedFiles& placed);
// The same for the results held so far, while the holding goes on (a run
// that puts each step's files in place as it goes).
void place_held_so_far(PlacedFiles& placed);

// Whether a file of that name exists in the current directory (driver's check
// before the listing phase of jobs 0 and 5).
bool file_exists(const std::string& path);
// Whether `path` names something to read: it exists and is not a folder.
bool input_file_exists(const std::string& path);

}  // namespace meridian
