#pragma once
// What a run takes besides its job: the options of the command line, what
// run_job hands its phases, and how far the listing it read went.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/placed_files.hpp"
#include "history/history_items.hpp"

namespace meridian {

// What the command line adds to a job.
struct RunOptions {
  // The answer to the scale question (jobs that ask it): nothing is asked.
  std::optional<double> scale;
  // VTK files besides everything else: model.vtu (model_interfaces.vtu) of
  // every model view, model_stress_NNNNN.vtu per step and model_stress.pvd.
  bool vtk = false;
  // Step and interface numbers of 10 and more written in decimal in file
  // names, so that every file system and Windows can hold them.
  bool portable_names = false;
  // summary.csv (runs that read a listing) and report.html besides
  // everything else.
  bool report = false;
  // The most report.html may take, in MB; unset: its default.
  std::optional<double> report_budget_mb;
  // A listing that ends within its time steps gives the files of its
  // complete steps (the run tells so: ListingEnd).
  bool partial = false;
  // The listing is followed while its solver writes it (driver/
  // listing_follower.hpp), each step's files put in place as soon as it is
  // complete; the follow ends after this many seconds without growth, then
  // as partial. Unset: the listing is read as it is.
  std::optional<double> follow_seconds;
  // history.csv of these items besides everything else (runs that read a
  // listing); empty: none.
  std::vector<HistoryItem> history;
  // model.exo, the whole analysis as one Exodus II file (runs that read a
  // listing).
  bool exodus = false;
};

// How far the listing a run read went: `complete_steps` of the
// `announced_steps` that control card 3 announces (both 0 when the run read
// no listing).
struct ListingEnd {
  std::int32_t complete_steps = 0;
  std::int32_t announced_steps = 0;
  // The message of the value that is not a number that ended the complete
  // steps (empty when the listing simply ends).
  std::string unreadable_value;
  bool early() const { return complete_steps < announced_steps; }
};

class ProgressLine;

// What run_job hands its phases besides the row and the options.
struct RunContext {
  std::int32_t job_code = 1;  // named in the report's heading
  // The progress line on a terminal; null where there is none.
  ProgressLine* progress = nullptr;
  // The files the run has put in place so far, against which each result is
  // checked; null: none is checked.
  PlacedFiles* placed = nullptr;
};

}  // namespace meridian
