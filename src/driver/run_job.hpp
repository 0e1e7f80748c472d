#pragma once
// Running a job: the banner and waiting line, then the phases the job's row
// asks for (the listing, the generator, the deck viewer).

#include <cstdint>

#include "driver/job_table.hpp"
#include "driver/run_options.hpp"
#include "files/console.hpp"

namespace meridian {

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
