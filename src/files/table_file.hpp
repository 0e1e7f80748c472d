#pragma once
// A result file of a header record and one record per step, whose records
// are kept: written as the steps come, or (snapshots, for a followed
// listing) written whole again each time, so that it always names exactly
// the steps so far. summary.csv and history.csv are such files; the report's
// page carries their text.

#include <optional>
#include <string>
#include <vector>

#include "files/output_file.hpp"
#include "files/placed_files.hpp"

namespace meridian {

// The records of such a file, without their line ends.
struct TableText {
  std::string header;
  std::vector<std::string> rows;
};

class TableFile {
 public:
  // Creates `name` (checked, and maybe held, through `placed` when given)
  // with its header, unless it is written by snapshots.
  TableFile(std::string name, std::string header, PlacedFiles* placed, bool snapshots);

  void add_row(std::string row);
  // The file of the rows so far, closed (so put in place, or held).
  void snapshot();
  // After the last row: the file closed.
  void finish();

  const TableText& text() const { return text_; }

 private:
  void write_whole();

  std::string name_;
  PlacedFiles* placed_;
  TableText text_;
  std::optional<OutputFile> file_;  // written as the rows come (no snapshots)
};

}  // namespace meridian
