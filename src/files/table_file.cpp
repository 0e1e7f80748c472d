#include "files/table_file.hpp"

#include <utility>

namespace meridian {

TableFile::TableFile(std::string name, std::string header, PlacedFiles* placed, bool snapshots)
    : name_(std::move(name)), placed_(placed) {
  text_.header = std::move(header);
  if (snapshots) return;
  file_.emplace(OutputFile::create_replacing(name_, placed_));
  file_->write_record(text_.header);
}

void TableFile::add_row(std::string row) {
  text_.rows.push_back(std::move(row));
  if (file_) file_->write_record(text_.rows.back());
}

void TableFile::write_whole() {
  OutputFile out = OutputFile::create_replacing(name_, placed_);
  out.write_record(text_.header);
  for (const std::string& row : text_.rows) out.write_record(row);
  out.close();
}

void TableFile::snapshot() { write_whole(); }

void TableFile::finish() {
  if (file_) {
    file_->close();
  } else {
    write_whole();
  }
}

}  // namespace meridian
