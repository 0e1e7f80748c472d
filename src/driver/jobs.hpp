#pragma once
// The jobs: one row per job says what a run reads and writes; run_job walks
// the row of the job asked for. A new output is a named field here (or of
// StepOutputs or ViewOptions) and in the rows that write it; a new job is a
// row.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/console.hpp"
#include "history/history_items.hpp"
#include "results/step_writer.hpp"
#include "views/model_view.hpp"

namespace meridian {

struct JobRow {
  // n3dhsp must be read (a missing one ends the run), or only when present.
  bool listing_required = true;
  // The deformation-scale question on the console; without it the factor is 1.0.
  bool asks_scale = false;
  // Besides model_load.dat: the interface zone files (listing, deck and
  // generated model alike).
  ViewOptions view;
  // The extracts written with every step's stress file.
  StepOutputs steps;
  // After the step files: the spring section of the input deck nikein is
  // rewritten (or "no spring" said when the listing has none).
  bool deck_rewrite = false;
  // parameter_in.txt is read and its model written as cards and views.
  bool generator = false;
  // nikein.txt is read and its model written as views.
  bool deck_view = false;
};

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

// The row of a job; numbers without a row of their own take the default row
// (the listing outputs of job 2 without its extracts).
const JobRow& job_row(std::int32_t job_code);

// The listing phase: reads n3dhsp whole, then writes the model views, asks the
// scale question, writes every step's files and rewrites the deck, as the row
// says.
ListingEnd run_listing_outputs(const JobRow& row, const RunOptions& options, Console& console,
                               const RunContext& context = {});
// The generator: the five card files are created, parameter_in.txt is read
// (ground node cards written as their springs are placed), the remaining cards
// written, and the model views of the generated model.
void run_generator(const JobRow& row, const RunOptions& options, Console& console,
                   const RunContext& context = {});
// The deck viewer: nikein.txt is read whole, then its model views written.
void run_deck_view(const JobRow& row, const RunOptions& options, const RunContext& context = {});

// Runs one job on the console: banner, waiting line, then the row's phases;
// failures propagate as FatalError / RunStopped. A missing input file ends the
// run before any file is opened. `progress`, when given, shows the reading of
// the listing and the writing of its steps; it is erased before anything else
// is written to the console. Returns how far the listing went.
ListingEnd run_job(std::int32_t job_code, const RunOptions& options, Console& console,
                   ProgressLine* progress = nullptr);

}  // namespace meridian
