#pragma once
// The jobs: one row per job says what a run reads and writes and what --help
// says of it; run_job (driver/run_job.hpp) walks the row of the job asked
// for. A new output is a named field here (or of StepOutputs or
// ViewOptions) and in the rows that write it; a new job is a row.

#include <cstdint>
#include <string>
#include <string_view>

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
  // What the job does, as --help says it: lines of at most 74 characters
  // separated by '\n'.
  std::string_view help;
};

// The row of a job; numbers without a row of their own take the default row
// (the listing outputs of job 2 without its extracts).
const JobRow& job_row(std::int32_t job_code);

// The "Jobs" part of --help: each job's text from its row, job 1 (the one
// run without --job) first, job 0 last.
std::string jobs_help();

}  // namespace meridian
