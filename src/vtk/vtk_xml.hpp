#pragma once
// The text and the appended block of VTK XML files: UnstructuredGrid files
// whose arrays all live in one raw appended block (version 1.0, header_type
// UInt64, LittleEndian), and the Collection file that lists grid files as a
// time series. Text lines end with LF, as VTK itself writes them, so that readers which split
// the block at a line end (meshio) find it whole.
//
// In the appended block each array is its byte count (UInt64) followed by its
// values; an array's offset is where its count starts, counted from the byte
// after the "_" that opens the block.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace meridian::vtk {

enum class Section : std::uint8_t { point_data, cell_data, points, cells };

template <class T>
struct TypeName;
template <>
struct TypeName<double> {
  static constexpr std::string_view value = "Float64";
};
template <>
struct TypeName<std::int64_t> {
  static constexpr std::string_view value = "Int64";
};
template <>
struct TypeName<std::int32_t> {
  static constexpr std::string_view value = "Int32";
};
template <>
struct TypeName<std::uint8_t> {
  static constexpr std::string_view value = "UInt8";
};

// Where the values of one array go: a byte position in a block, not
// necessarily aligned for T, filled value by value.
template <class T>
class ValueSink {
 public:
  explicit ValueSink(char* at) : at_(at) {}
  void operator()(T value) {
    std::memcpy(at_, &value, sizeof value);
    at_ += sizeof value;
  }
  // Copies `count` values from `values`.
  void copy(const T* values, std::size_t count) {
    if (count == 0) return;
    std::memcpy(at_, values, count * sizeof(T));
    at_ += count * sizeof(T);
  }

 private:
  char* at_;
};

// The head of one grid file (the XML text up to and including the "_" that
// opens the appended block) and its block. Arrays are declared first, in the
// order the block holds them; allocate() then sizes the block, writes each
// array's byte count, and the writer fills the values in place. The head's
// DataArray elements are grouped by section in the order declared.
class GridFile {
 public:
  GridFile(std::uint64_t points, std::uint64_t cells) : points_(points), cells_(cells) {}

  // Declares the next array: `count` values of T, `components` per point or
  // cell. An array declared `outside` is not part of block(): the writer
  // writes its count and values after the block itself, in the order
  // declared, after every array of the block. Returns the array's number.
  template <class T>
  std::size_t declare(Section section, std::string name, int components, std::uint64_t count,
                      bool outside = false) {
    return enter(section, TypeName<T>::value, std::move(name), components, count * sizeof(T),
                 outside);
  }
  void allocate();
  // Where the values of a declared array of the block go.
  template <class T>
  ValueSink<T> values(std::size_t array) {
    return ValueSink<T>(block_.data() + entries_[array].offset + sizeof(std::uint64_t));
  }

  std::string head() const;
  const std::string& block() const { return block_; }
  std::string take_block() { return std::move(block_); }

 private:
  struct Entry {
    Section section;
    std::string_view type;
    std::string name;  // the points' array has none
    int components;
    std::uint64_t offset;
    std::uint64_t bytes;
    bool outside;
  };
  std::size_t enter(Section section, std::string_view type, std::string name, int components,
                    std::uint64_t bytes, bool outside);

  std::uint64_t points_;
  std::uint64_t cells_;
  std::vector<Entry> entries_;
  std::uint64_t block_end_ = 0;  // offset of the next array
  std::string block_;
};

// The text after the appended block.
std::string_view grid_tail();

// One file of a collection and the time it stands for.
struct CollectionEntry {
  std::int64_t timestep = 0;
  std::string file;
};

// A Collection file listing the files as the time steps of one data set.
std::string collection_text(std::span<const CollectionEntry> entries);

}  // namespace meridian::vtk
