#pragma once
// The writers of the files of a listing, step by step, as a job's row and
// the options ask: the stress files and extracts, the VTK step files,
// summary.csv, history.csv, report.html and model.exo; and the model views
// every job writes. Both ways of writing a listing's files use them: after
// the listing is read whole (driver/run_job.cpp) and while it is read
// (driver/writing_while_reading.hpp).

#include <cstdint>
#include <optional>
#include <string_view>

#include "driver/job_table.hpp"
#include "driver/run_options.hpp"
#include "exodus/exodus_file.hpp"
#include "history/history_file.hpp"
#include "listing/listing_model.hpp"
#include "model/step_values.hpp"
#include "report/run_report.hpp"
#include "results/step_writer.hpp"
#include "summary/summary_file.hpp"

namespace meridian {

// How this run names its results and where it notes those put in place.
// Where the system cannot hold the other names (Windows), always the portable
// ones.
ResultNames result_names(const RunOptions& options, PlacedFiles* placed);

// The model views of a model, and its VTK files when asked for.
void write_views(const ModelView& view, const JobRow& row, const RunOptions& options,
                 PlacedFiles* placed, std::string_view temperature_name = "temperature");

// The heading of the report of this run.
ReportHeading report_heading(std::string_view title, const RunContext& context);

// The step files, the VTK step files, summary.csv, history.csv, the
// report's steps and model.exo, as the row and options ask.
struct ListingWriters {
  std::optional<SummaryFile> summary;
  std::optional<HistoryFile> history;
  std::optional<RunReport> report;
  std::optional<StepWriter> steps;
  std::optional<ExodusFile> exodus;

  // Creates them in this order: summary.csv and history.csv (whose rows the
  // page carries), report.html, the step writer's shared layout, model.exo.
  // With `snapshots`, summary.csv, history.csv and report.html are written
  // whole by every snapshot(). `kept` (the element values every step keeps)
  // must outlive the writers.
  void create(std::string_view title, const ModelView& view, const StepResults& results,
              const JobRow& row, const RunOptions& options, const RunContext& context,
              const KeptElements& kept, bool snapshots = false);
  void write(std::int32_t step, const StepValues& values);
  // The files that describe the steps written so far: model_stress.pvd,
  // summary.csv, history.csv and report.html (model.exo is put in place at
  // the end).
  void snapshot(const AnalysisProgress& progress);
  void finish(const std::optional<AnalysisProgress>& progress = std::nullopt);
};

// What the report says of a listing that ended before its announced steps.
std::optional<AnalysisProgress> stopped_analysis(const ListingModel& model);

}  // namespace meridian
