#pragma once
// history.csv (--history): a header, then one row per printed time step with
// the values of every item, in the order the items were named:
// - node:N: x-, y-, z-displacement and their magnitude, the six stress
//   components, the effective stress (the extrapolated, averaged values of
//   the stress files) and the temperature;
// - element:N: per integration point K = 1..8 the six stress components and
//   the effective stress, as the listing prints them;
// - spring:N: the deflection (b - a) and the force (c) of the discrete
//   printout.
// Reals are the shortest text that reads back to the same double; records
// end with CR LF.

#include <cstdint>
#include <string>
#include <vector>

#include "files/placed_files.hpp"
#include "files/table_file.hpp"
#include "history/history_items.hpp"
#include "model/step_values.hpp"

namespace meridian {

// The header record of history.csv (without its line end).
std::string history_header(const std::vector<HistoryItem>& items);

// The record of one step (without its line end). Element items take their
// values from values.element_points, where `kept` places them.
std::string history_record(std::int32_t step, const std::vector<HistoryItem>& items,
                           const KeptElements& kept, const StepValues& values);

class HistoryFile {
 public:
  // Creates history.csv (checked and maybe held through `placed`, when
  // given) and writes its header. With `snapshots` the file is written whole
  // by every snapshot() and by finish() instead of as the steps come.
  // `kept` must outlive the writer.
  HistoryFile(std::vector<HistoryItem> items, const KeptElements& kept, PlacedFiles* placed,
              bool snapshots = false);

  void add_step(std::int32_t step, const StepValues& values);
  // history.csv of the steps so far, closed (so put in place, or held).
  void snapshot() { file_.snapshot(); }
  // After the last step: closes the file.
  void finish() { file_.finish(); }

  const TableText& text() const { return file_.text(); }

 private:
  std::vector<HistoryItem> items_;
  const KeptElements& kept_;
  TableFile file_;
};

}  // namespace meridian
