#pragma once
// The output file: records written to a file, each ending with CR LF. An
// output file is created, or emptied when it exists, so it holds exactly what
// this run wrote. Failures to open or write end the run through FatalError,
// naming the file.
//
// A replacing output file is written under a temporary name beside its final
// name and put in place over it when closed, so the final name holds either
// the earlier file or the complete new one (files/temporary_file.hpp).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/placed_files.hpp"
#include "files/temporary_file.hpp"
#include "platform/platform.hpp"
#include "records/record_streams.hpp"

namespace meridian {

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
  // Writes `bytes` over what was written at `offset` from the file's start
  // (a header completed at the end); the writing goes on where it was.
  void write_at(std::uint64_t offset, std::string_view bytes);

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

}  // namespace meridian
