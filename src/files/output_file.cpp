#include "files/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"

namespace meridian {
namespace {

// The bytes of a held file are copied in blocks of this size.
constexpr std::size_t copy_block_size = std::size_t{1} << 20;
constexpr std::size_t output_buffer_size = std::size_t{1} << 18;

using platform::last_error;

// An output file whose write failed is incomplete: a regular file of that name
// is removed, so that nothing half-written is left to be taken for a result
// (devices and pipes are left alone). Returns what to add to the message.
std::string discard_incomplete(const std::string& path) {
  if (platform::status(path).kind == platform::Kind::regular && platform::remove_file(path)) {
    return "; the incomplete file is removed";
  }
  return "";
}

// Removes a replacing file's temporary after a failure; returns what to add
// to the message.
std::string discard_temporary(TemporaryFile& temporary, bool replaces_existing) {
  temporary.discard();
  return replaces_existing ? "; the earlier file is left as it was" : "; no file is made";
}

// Renames a finished temporary to `name`, checked against the run's placed
// files first when there are any, and notes it there.
void place_result(TemporaryFile& temporary, const std::string& name, bool replaces_existing,
                  PlacedFiles* placed) {
  std::optional<FileIdentity> identity;
  if (placed != nullptr) {
    try {
      placed->check_before_placing(name);
    } catch (const FatalError&) {
      temporary.discard();
      throw;
    }
    identity = platform::identity_of(temporary.handle());
  }
  if (!temporary.place_as(name)) {
    const std::string refused = refused_name_reason(name, errno);
    const std::string reason = refused.empty() ? last_error() : refused;
    fail_file(name, "cannot put the new file in place: " + reason +
                        discard_temporary(temporary, replaces_existing));
  }
  if (placed != nullptr) placed->add(name, identity);
}

// Writes the bytes of a finished temporary to what `name` names (a link is
// written through, a device written to), as create() would have, then removes
// the temporary.
void write_through(HeldFile& held) {
  const platform::Handle bytes = platform::open_file(held.temporary.name(), platform::Access::read);
  if (bytes == platform::no_file) {
    fail_file(held.temporary.name(), "cannot open for reading: " + last_error());
  }
  struct Closing {
    platform::Handle handle;
    ~Closing() { platform::close_file(handle); }
  } closing{bytes};
  OutputFile out = OutputFile::create(held.name);
  std::string block(copy_block_size, '\0');
  for (;;) {
    const std::int64_t count = platform::read_some(bytes, block.data(), block.size());
    if (count < 0) fail_file(held.temporary.name(), "cannot read: " + last_error());
    if (count == 0) break;
    out.write_bytes(std::string_view(block.data(), static_cast<std::size_t>(count)));
  }
  out.close();
  held.temporary.discard();
}

}  // namespace

// ---------------------------------------------------------------- OutputFile

OutputFile::OutputFile(std::string name, platform::Handle file, bool owns, bool in_memory,
                       TemporaryFile temporary)
    : name_(std::move(name)),
      file_(file),
      owns_file_(owns),
      in_memory_(in_memory),
      buffer_(new char[output_buffer_size]),
      capacity_(output_buffer_size),
      temporary_(std::move(temporary)) {}

OutputFile OutputFile::create(const std::string& path) {
  // Emptied on open, so the file holds exactly what this run writes.
  const platform::Handle file = platform::open_file(path, platform::Access::write_truncating);
  if (file == platform::no_file) fail_file(path, "cannot open for writing: " + last_error());
  return OutputFile(path, file, true, false);
}

OutputFile OutputFile::create_replacing(const std::string& path, PlacedFiles* placed) {
  const platform::Kind existing = platform::link_status(path).kind;
  const bool exists = existing != platform::Kind::missing;
  const bool held = placed != nullptr && placed->holding();
  // A device or a pipe cannot be replaced, a link is written through to the
  // file it names (and stays a link), and a directory fails as it does there.
  // While results are held, such bytes wait in a temporary of their own too.
  if (exists && existing != platform::Kind::regular) {
    if (!held || existing == platform::Kind::directory) return create(path);
    OutputFile file = create_renaming(path);
    file.placed_ = placed;
    file.written_through_ = true;
    file.replaces_existing_ = false;
    return file;
  }
  // Nor is a file replaced that this run could not open for writing.
  if (exists && !platform::may_write(path)) {
    fail_file(path, "cannot open for writing: " + last_error());
  }
  OutputFile file = create_renaming(path);
  file.placed_ = placed;
  return file;
}

OutputFile OutputFile::create_renaming(const std::string& path) {
  const platform::Status existing = platform::status(path);
  const bool exists = existing.kind == platform::Kind::regular;
  TemporaryFile temporary = TemporaryFile::create_beside(
      path, exists ? std::optional<std::uint32_t>(existing.permissions) : std::nullopt);
  // The records go through a second handle: closing it reports the last write
  // errors while the first keeps the lock until the rename.
  const platform::Handle records = platform::duplicate(temporary.handle());
  if (records == platform::no_file) fail_file(path, "cannot open for writing: " + last_error());
  OutputFile file(path, records, true, false, std::move(temporary));
  file.replacing_ = true;
  file.replaces_existing_ = exists;
  return file;
}

OutputFile OutputFile::standard_output() {
  return OutputFile("console", platform::standard_stream(1), false, false);
}

OutputFile OutputFile::in_memory(std::string name) {
  return OutputFile(std::move(name), platform::no_file, false, true);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : name_(std::move(other.name_)),
      file_(other.file_),
      owns_file_(other.owns_file_),
      in_memory_(other.in_memory_),
      buffer_(std::move(other.buffer_)),
      capacity_(other.capacity_),
      used_(other.used_),
      memory_(std::move(other.memory_)),
      temporary_(std::move(other.temporary_)),
      replacing_(other.replacing_),
      replaces_existing_(other.replaces_existing_),
      written_through_(other.written_through_),
      placed_(other.placed_) {
  other.file_ = platform::no_file;
  other.owns_file_ = false;
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
  if (owns_file_) platform::close_file(file_);
}

std::string OutputFile::discard_after_failure() {
  if (!replacing_) return discard_incomplete(name_);
  return discard_temporary(temporary_, replaces_existing_);
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
  if (file_ == platform::no_file) return;
  if (!platform::write_all(file_, bytes, size)) {
    const std::string reason = last_error();
    fail_file(name_, "cannot write: " + reason + (owns_file_ ? discard_after_failure() : ""));
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

void OutputFile::write_at(std::uint64_t offset, std::string_view bytes) {
  drain();
  if (in_memory_) {
    if (offset + bytes.size() > memory_.size()) throw std::out_of_range("OutputFile::write_at past the end");
    memory_.replace(static_cast<std::size_t>(offset), bytes.size(), bytes);
    return;
  }
  if (file_ == platform::no_file) return;
  if (!platform::write_at(file_, offset, bytes.data(), bytes.size())) {
    const std::string reason = last_error();
    fail_file(name_, "cannot write: " + reason + (owns_file_ ? discard_after_failure() : ""));
  }
}

void OutputFile::flush() { drain(); }

void OutputFile::close() {
  drain();
  if (owns_file_) {
    const platform::Handle file = file_;
    file_ = platform::no_file;
    owns_file_ = false;
    if (!platform::close_file(file)) {
      const std::string reason = last_error();
      fail_file(name_, "cannot write: " + reason + discard_after_failure());
    }
  }
  if (!temporary_.holds_file()) return;
  if (placed_ != nullptr && placed_->holding()) {
    placed_->hold(HeldFile{std::move(temporary_), name_, replaces_existing_, written_through_});
    return;
  }
  place_result(temporary_, name_, replaces_existing_, placed_);
}

namespace {

// A failure ends the run here; the files not yet in place are removed with
// `held`.
void place_in_order(std::vector<HeldFile> held, PlacedFiles& placed) {
  for (HeldFile& file : held) {
    if (file.written_through) {
      write_through(file);
    } else {
      place_result(file.temporary, file.name, file.replaces_existing, &placed);
    }
  }
}

}  // namespace

void place_held_results(PlacedFiles& placed) { place_in_order(placed.release_held(), placed); }

void place_held_so_far(PlacedFiles& placed) { place_in_order(placed.take_held(), placed); }

}  // namespace meridian
