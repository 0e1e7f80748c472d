#pragma once
// summary.csv (--report): a header, then one row per printed time step with
// the figures of step_summary.hpp: integers plain, reals as the shortest text
// that reads back to the same double, records ending with CR LF.

#include <cstdint>

#include "files/placed_files.hpp"
#include "files/table_file.hpp"
#include "model/step_values.hpp"

namespace meridian {

class SummaryFile {
 public:
  // Creates summary.csv (checked and maybe held through `placed`, when
  // given) and writes its header; the rows summarize nodes 1..node_count.
  // With `snapshots` the file is written whole by every snapshot() and by
  // finish() instead of as the steps come.
  SummaryFile(std::int32_t node_count, PlacedFiles* placed, bool snapshots = false);

  void add_step(std::int32_t step, const StepValues& values);
  // summary.csv of the steps so far, closed (so put in place, or held).
  void snapshot() { file_.snapshot(); }
  // After the last step: closes the file.
  void finish() { file_.finish(); }

  const TableText& text() const { return file_.text(); }

 private:
  std::int32_t node_count_;
  TableFile file_;
};

}  // namespace meridian
