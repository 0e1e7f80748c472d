#pragma once
// The values of a file after its header, in the one order a layout allows:
// each fixed-size variable in the order defined, then record after record,
// each the slabs of the record variables in the order defined. A variable's
// values may come in several pieces; the writer adds its padding after the
// last. A piece for another variable than the next one, or more or fewer bytes
// than a variable holds, is a std::logic_error: what goes through the writer
// cannot disagree with the header.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "netcdf/netcdf_layout.hpp"

namespace meridian::netcdf {

class DataWriter {
 public:
  using Sink = std::function<void(std::string_view bytes)>;

  // The caller has written the header; `sink` takes every byte after it. The
  // layout must outlive the writer.
  DataWriter(const Layout& layout, Sink sink);

  // The next piece of the variable's values: big-endian, as big_endian.hpp
  // makes them; for a record variable, of its slab in the current record.
  void write(std::size_t variable, std::string_view bytes);

  // The records written whole so far: the count for numrecs_bytes().
  std::uint32_t records() const { return records_; }
  // Throws unless the data may end here: every fixed-size variable written and
  // no record begun but not ended. Returns records().
  std::uint32_t finish() const;

 private:
  const Layout& layout_;
  Sink sink_;
  std::vector<std::size_t> order_;  // the fixed-size variables, then the record variables
  std::size_t first_record_ = 0;    // where the record variables start in order_
  std::size_t next_ = 0;            // index in order_ of the variable being written
  std::uint64_t written_ = 0;       // bytes of its values written so far
  std::uint32_t records_ = 0;
};

}  // namespace meridian::netcdf
