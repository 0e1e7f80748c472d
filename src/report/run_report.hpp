#pragma once
// The run at a glance (--report): report.html, one self-contained page with
// the heading, the summary table and chart and a 3D view of the model's
// exterior faces, deformed and coloured step by step (summary.csv, whose
// table the page carries, is summary/summary_file.hpp's).
//
// The page is the build's template (report_page.hpp) with the run's data in
// place of its marker: one JSON object holding the model's surface (the nodes
// of the exterior faces and of the springs, renumbered from 0) and, per step,
// that surface's results as 16-bit fractions of each quantity's range in the
// step (report/step_encoding.hpp) and the step's exact peaks, the arrays as
// base64 of little-endian values. The steps are written as they come, so memory does not grow
// with their number. The page holds no time and no folder: the same inputs and
// options give the same bytes.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "files/placed_files.hpp"
#include "files/table_file.hpp"
#include "model/step_results.hpp"
#include "model/step_values.hpp"
#include "model/undeformed_model.hpp"

namespace meridian {

// The page's size past which its 3D view keeps a subset of the steps.
inline constexpr double default_page_budget_mb = 64.0;

struct ReportHeading {
  std::string_view title;    // the listing's title (empty without one)
  std::int32_t job = 1;
  std::string_view version;  // the program's
};

// How far the analysis had come when a page was written, for the page of an
// analysis that stopped early or is still running (a complete analysis' page
// says nothing of it).
struct AnalysisProgress {
  std::int32_t steps = 0;      // the complete steps the page holds
  std::int32_t announced = 0;  // the steps the listing announces
  bool running = false;        // still being followed: the page reloads itself
  // The step after the complete ones holds a value that is not a number.
  bool unreadable = false;
};

class RunReport {
 public:
  // A report of `view` and, when `results` is given, of its time steps:
  // creates report.html and writes what comes before the steps. `results`
  // and `view` must outlive the report. `placed`: the run's placed files,
  // where the page is checked (and may be held) when closed; null: none.
  // With `snapshots`, the page is written whole by every snapshot() and by
  // finish(), its steps kept in a temporary file meanwhile, instead of
  // being written as they come. `budget_mb`: the megabytes (10^6 bytes) the
  // page may take; past it the 3D view keeps an evenly spaced subset of the
  // announced steps with the first, the last and the one of the highest
  // effective stress (the summary keeps every step). `summary` and
  // `history`, when given, are the tables of summary.csv and history.csv,
  // which the page carries whole when it is written (they must outlive the
  // report).
  RunReport(const ModelView& view, const ReportHeading& heading, const StepResults* results,
            PlacedFiles* placed = nullptr, bool snapshots = false,
            double budget_mb = default_page_budget_mb, const TableText* summary = nullptr,
            const TableText* history = nullptr);
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // Adds step `step` (the next one) from its nodal printout, averaged
  // stresses, integration-point peak and, when kept, every element's
  // integration-point peak (the page's elements).
  void add_step(std::int32_t step, const StepValues& values);
  // report.html of the steps added so far, written and closed (so put in
  // place, or held) while the report goes on; only with `snapshots`.
  void snapshot(const AnalysisProgress& progress);
  // Writes the summary into the page and closes it; the page says how far
  // the analysis had come when `progress` is given.
  void finish(const std::optional<AnalysisProgress>& progress = std::nullopt);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace meridian
