#include "netcdf/netcdf_data_writer.hpp"

#include <stdexcept>
#include <string>

namespace meridian::netcdf {

DataWriter::DataWriter(const Layout& layout, Sink sink) : layout_(layout), sink_(std::move(sink)) {
  const std::size_t variables = layout_.schema().variables().size();
  for (std::size_t v = 0; v < variables; ++v) {
    if (!layout_.is_record_variable(v)) order_.push_back(v);
  }
  first_record_ = order_.size();
  for (std::size_t v = 0; v < variables; ++v) {
    if (layout_.is_record_variable(v)) order_.push_back(v);
  }
}

void DataWriter::write(std::size_t variable, std::string_view bytes) {
  const auto name = [&](std::size_t v) {
    return "netCDF variable \"" + layout_.schema().variables().at(v).name + "\"";
  };
  if (next_ == order_.size()) throw std::logic_error(name(variable) + " written after all data");
  const std::size_t expected = order_[next_];
  if (variable != expected) {
    throw std::logic_error(name(variable) + " written where " + name(expected) + " belongs");
  }
  if (bytes.size() > layout_.value_bytes(variable) - written_) {
    throw std::logic_error(name(variable) + " given more bytes than it holds");
  }
  sink_(bytes);
  written_ += bytes.size();
  if (written_ < layout_.value_bytes(variable)) return;
  sink_(layout_.padding(variable));
  written_ = 0;
  if (++next_ == order_.size() && first_record_ < order_.size()) {
    ++records_;  // numrecs_bytes() refuses a count past 2^31 - 1
    next_ = first_record_;
  }
}

std::uint32_t DataWriter::finish() const {
  // After the fixed variables, or after a whole record, the next variable is
  // the first record variable (or none, which is then order_'s end).
  if (written_ != 0 || next_ != first_record_) {
    throw std::logic_error("netCDF data ended inside a variable or a record");
  }
  return records_;
}

}  // namespace meridian::netcdf
