#pragma once
// Where each part of a netCDF 64-bit-offset file ("CDF2") lies: the header,
// then each fixed-size variable's values in the order defined, then the
// records, each holding one slab of every record variable in the order
// defined. Everything is placed when the layout is made; nothing here writes
// a file: the caller writes header_bytes() and the values at the offsets
// given, in that order (DataWriter checks the order).
//
// The record count: write the header with 0 records and, after each whole
// record (at least at the end), write numrecs_bytes(records) at
// numrecs_offset(). The file is then a valid one at every step, holding the
// records written so far; a header written with the expected count instead
// would claim records a run that stops early never writes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "netcdf/netcdf_schema.hpp"

namespace meridian::netcdf {

class Layout {
 public:
  // Throws std::invalid_argument for a variable larger than its 32-bit size
  // field can tell (2^32 - 4 bytes, or one record's slab of that size), unless
  // it is the last record variable, or the last fixed-size variable of a file
  // without record variables: netCDF's readers compute the size of those two
  // from their dimensions.
  explicit Layout(Schema schema);

  const Schema& schema() const { return schema_; }
  bool is_record_variable(std::size_t variable) const {
    return schema_.is_record_variable(variable);
  }

  // The header, with `numrecs` (at most 2^31 - 1) as the record count.
  std::string header_bytes(std::uint32_t numrecs) const;

  // Where the variable's values start: a fixed-size variable's all, a record
  // variable's slab in the first record.
  std::uint64_t begin(std::size_t variable) const { return places_.at(variable).begin; }
  // Bytes of those values (of one record's slab for a record variable).
  std::uint64_t value_bytes(std::size_t variable) const { return places_.at(variable).value_bytes; }
  // The same with the padding that follows them up to the next variable.
  std::uint64_t stored_bytes(std::size_t variable) const {
    return places_.at(variable).stored_bytes;
  }
  // The padding after the variable's values: its type's fill value, as
  // netCDF's library writes it.
  std::string_view padding(std::size_t variable) const;

  std::uint64_t fixed_begin() const { return header_size_; }  // right after the header
  std::uint64_t records_begin() const { return records_begin_; }
  std::uint64_t record_size() const { return record_size_; }
  std::uint64_t file_size(std::uint32_t numrecs) const {
    return records_begin_ + std::uint64_t{numrecs} * record_size_;
  }

 private:
  struct Place {
    std::uint64_t begin = 0;
    std::uint64_t value_bytes = 0;
    std::uint64_t stored_bytes = 0;
  };
  Schema schema_;
  std::vector<Place> places_;
  std::uint64_t header_size_ = 0;
  std::uint64_t records_begin_ = 0;
  std::uint64_t record_size_ = 0;
};

// Where the record count lies in the file, and its bytes for a count of at
// most 2^31 - 1.
constexpr std::uint64_t numrecs_offset() {
  return 4;
}
std::string numrecs_bytes(std::uint32_t numrecs);

}  // namespace meridian::netcdf
