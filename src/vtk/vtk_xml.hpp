#pragma once
// The text and the appended block of VTK XML files: UnstructuredGrid files
// whose arrays all live in one raw appended block (version 1.0, header_type
// UInt64, LittleEndian), and the Collection file that lists grid files as a
// time series. Text lines end with CR LF, as every text record of the program.
//
// In the appended block each array is its byte count (UInt64) followed by its
// values; an array's offset is where its count starts, counted from the byte
// after the "_" that opens the block.

#include <cstdint>
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

// Appends one array to an appended block: its byte count, then its values.
void append_array(std::string& block, const void* values, std::uint64_t bytes);

// The head of one grid file (the XML text up to and including the "_" that
// opens the appended block) and the bytes of the arrays the block starts with.
// The block holds the arrays in the order they are added or declared; the
// head's DataArray elements are grouped by section in that order.
class GridFile {
 public:
  GridFile(std::uint64_t points, std::uint64_t cells) : points_(points), cells_(cells) {}

  // Adds an array and its values (`components` per point or cell).
  template <class T>
  void add(Section section, std::string name, int components, std::span<const T> values) {
    enter(section, TypeName<T>::value, std::move(name), components, values.size_bytes(), false);
    append_array(block_, values.data(), values.size_bytes());
  }
  // Declares an array of `count` values of T that the writer appends itself,
  // after block(), count and values, in the order declared. Nothing can be
  // added after a declared array.
  template <class T>
  void declare(Section section, std::string name, int components, std::uint64_t count) {
    enter(section, TypeName<T>::value, std::move(name), components, count * sizeof(T), true);
  }

  std::string head() const;
  // The added arrays, as the block holds them.
  const std::string& block() const { return block_; }
  std::string take_block() { return std::move(block_); }

 private:
  struct Entry {
    Section section;
    std::string_view type;
    std::string name;  // the points' array has none
    int components;
    std::uint64_t offset;
  };
  void enter(Section section, std::string_view type, std::string name, int components,
             std::uint64_t bytes, bool declared);

  std::uint64_t points_;
  std::uint64_t cells_;
  std::vector<Entry> entries_;
  std::uint64_t block_end_ = 0;  // offset of the next array
  std::string block_;
  bool declared_ = false;
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
