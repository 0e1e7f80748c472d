#pragma once
// Where the record layer reads and writes its records: a source hands out
// lines (without their line ends) and knows where it is, for messages; a
// sink takes whole records. The file layer's InputFile and OutputFile
// (src/files/) are the ones a run uses; tests may bring others.

#include <string>
#include <string_view>

#include "records/fatal.hpp"

namespace meridian {

class RecordSource {
 public:
  // The next line without its line end; false at the end. The view stays
  // valid until the next call.
  virtual bool next_line(std::string_view& line) = 0;
  // The name messages give the source.
  virtual const std::string& name() const = 0;
  // The number of the line last returned (1 for the first), 0 before any.
  virtual long line_number() const = 0;

  // The next line; the end ends the run ("end of file while reading <what>",
  // naming the line that was looked for).
  std::string_view require_line(std::string_view what) {
    std::string_view line;
    if (!next_line(line)) fail_line(name(), line_number() + 1, "end of file while reading " + std::string(what));
    return line;
  }
  // Ends the run naming the line last returned.
  [[noreturn]] void fail_here(std::string_view what) const { fail_line(name(), line_number(), what); }

 protected:
  RecordSource() = default;
  RecordSource(const RecordSource&) = default;
  ~RecordSource() = default;
};

class RecordSink {
 public:
  // Writes one record: `bytes` and the record's line end.
  virtual void write_record(std::string_view bytes) = 0;

 protected:
  RecordSink() = default;
  RecordSink(const RecordSink&) = default;
  ~RecordSink() = default;
};

}  // namespace meridian
