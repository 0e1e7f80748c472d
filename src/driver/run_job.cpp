#include "driver/run_job.hpp"

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cards/card_files.hpp"
#include "deck/deck_springs.hpp"
#include "deck/input_deck.hpp"
#include "driver/job_inputs.hpp"
#include "driver/listing_follower.hpp"
#include "driver/listing_writers.hpp"
#include "driver/progress_line.hpp"
#include "driver/writing_while_reading.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "generator/parameter_file.hpp"
#include "listing/listing_reader.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"
#include "report/run_report.hpp"

namespace meridian {
namespace {

// The first lines of every run.
constexpr std::array<std::string_view, 16> banner = {
    "*****************   MERIDIAN 1.5  ********************",
    "*                                                    *",
    "*    NIKE3D Finite Element Post-Processing Program   *",
    "*                                                    *",
    "*                                                    *",
    "* -------------------------------------------------- *",
    "*                                                    *",
    "* Input file:                    (Created by NIKE3D) *",
    "*              n3dhsp                                *",
    "*                                                    *",
    "* Output file:                   (Read by Tecplot)   *",
    "*              model_load.dat                        *",
    "*              model_stress_i.dat                    *",
    "*              where i is the time step number       *",
    "*                                                    *",
    "******************************************************",
};

// The spring rewrite of the deck from the listing's springs and its first
// printed time step in `steps` (a listing without time steps gives zeros).
void rewrite_deck(ListingModel& model, const StepStore& steps, Console& console) {
  if (model.discrete_flag == 0) {
    write_free(console.output, {std::string_view("no spring")});
    return;
  }
  if (!rewrites_springs(model)) return;
  std::vector<double> node_result(static_cast<std::size_t>(model.node_capacity) * 4, 0.0);
  std::vector<double> node_stress;
  if (steps.step_count() >= 1) steps.load(1, node_result, node_stress);
  DeckSprings springs;
  springs.node_capacity = model.node_capacity;
  springs.spring_node1 = model.spring_node1;
  springs.spring_node2 = model.spring_node2;
  springs.spring_direction = model.spring_direction;
  springs.spring_force = model.spring_force;
  springs.node_result = node_result;
  rewrite_deck_springs(springs, console);
}

// The report of a model without results (the generated model, the deck's).
void write_model_report(const ModelView& view, const RunOptions& options,
                        const RunContext& context) {
  if (!options.report) return;
  RunReport report(view, report_heading({}, context), nullptr, context.placed);
  report.finish();
}

// Tells the progress line how much of the listing has been read.
ReadWatch reading_progress(ProgressLine* progress) {
  if (progress == nullptr) return {};
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(std::string(listing_name), error);
  const std::uint64_t bytes = error ? 0 : static_cast<std::uint64_t>(size);
  return [progress, bytes](std::uint64_t read) {
    progress->show(ProgressLine::reading_text(listing_name, read, bytes));
  };
}

// The listing read whole, its step results stored: model views, the scale
// question, then every step from the store.
void write_after_reading(const ListingModel& model, const JobRow& row, const RunOptions& options,
                         Console& console, const RunContext& context, const KeptElements& kept) {
  if (row.deck_rewrite && rewrites_springs(model)) require_input(deck_name);
  const ModelView view = model_view_of(model);
  write_views(view, row, options, context.placed);
  double deformation_scale = 1.0;
  if (row.asks_scale) {
    deformation_scale = options.scale ? *options.scale : ask_deformation_scale(console);
  }
  const StepResults results = step_results_of(model, deformation_scale);
  ListingWriters writers;
  writers.create(model.title, view, results, row, options, context, kept);
  const StepStore& store = *results.steps;
  StepValues values;
  for (std::int32_t s = 1; s <= store.step_count(); ++s) {
    store.load(s, values);
    if (context.progress != nullptr) {
      context.progress->show(ProgressLine::writing_text(s, store.step_count()));
    }
    writers.write(s, values);
  }
  writers.finish(stopped_analysis(model));
  clear_progress(context.progress);
}

}  // namespace

ListingEnd run_listing_outputs(const JobRow& row, const RunOptions& options, Console& console,
                               const RunContext& context) {
  std::optional<ListingFollower> follower;
  if (options.follow_seconds) {
    follower.emplace(std::string(listing_name),
                     std::chrono::duration<double>(*options.follow_seconds), context.progress);
    follower->wait_for_listing();
  } else {
    require_input(listing_name);
  }
  PlacedFiles own_placed;
  RunContext run = context;
  if (run.placed == nullptr) run.placed = &own_placed;
  ListingReading reading;
  reading.complete_steps_only = options.partial || follower.has_value();
  reading.kept.listed = history_elements(options.history);
  // The page shows the integration-point peak of every element it draws;
  // model.exo holds every element's values.
  reading.kept.peaks = options.report;
  reading.kept.every = options.exodus;
  WritingWhileReading writing(row, options, run, console, reading.kept);
  // The items of --history are checked once the model is known, before any
  // file is written.
  const auto check_model = [&options](const ListingModel& model) {
    const HistoryRange range{model.node_count, model.element_capacity, model.spring_count};
    if (const auto missing = missing_history_item(options.history, range)) {
      fail_file(listing_name, *missing);
    }
  };
  reading.model_read = check_model;
  ListingModel model;
  {
    // Closed once read.
    InputFile listing = InputFile::open_existing(std::string(listing_name));
    if (follower) {
      listing.watch_reading(follower->reading_watch());
      follower->follow(listing, [&writing] { writing.reader_waiting(); });
      reading.model_read = [&follower, check_model](const ListingModel& model) {
        check_model(model);
        follower->model_read(model.announced_step_count);
      };
      reading.step_read = [&follower](std::int32_t step) { follower->step_read(step); };
    } else if (ReadWatch watch = reading_progress(context.progress)) {
      listing.watch_reading(std::move(watch));
    }
    model = load_listing(listing, true, &writing, reading);
  }
  clear_progress(context.progress);
  if (writing.took_steps()) {
    // What is left: the last step's files, and putting every file in place.
    if (context.progress != nullptr && model.step_count > 0) {
      context.progress->show(ProgressLine::writing_text(model.step_count, model.step_count));
    }
    writing.finish(model);
    clear_progress(context.progress);
  } else {
    write_after_reading(model, row, options, console, run, reading.kept);
  }
  if (row.deck_rewrite) rewrite_deck(model, writing.took_steps() ? writing.kept_steps() : model.steps, console);
  return ListingEnd{model.step_count, model.announced_step_count, model.unreadable_value};
}

void run_generator(const JobRow& row, const RunOptions& options, Console& console,
                   const RunContext& context) {
  // The parameter file and the card files are opened before anything is read,
  // so the card files exist, empty, even when the parameter file is bad.
  require_input(parameter_name);
  InputFile parameter_in = InputFile::open_existing(std::string(parameter_name));
  CardFiles cards = CardFiles::create();
  const CardLayouts layouts;
  const GeneratedModel model = read_parameter_file(
      parameter_in, console, [&cards, &layouts](std::int64_t node, double x, double y, double z) {
        write_ground_node_card(cards.out_spring, layouts, node, x, y, z);
      });
  write_cards(model, cards, layouts);
  // Closed in opening order: the parameter file (released by moving it out),
  // then the five card files.
  { InputFile finished = std::move(parameter_in); }
  cards.close();
  const std::vector<std::int32_t> zone_element_counts = model.block_element_counts();
  const ModelView view = generated_model_view(model, zone_element_counts);
  write_views(view, row, options, context.placed, "spring_stiffness");
  write_model_report(view, options, context);
}

void run_deck_view(const JobRow& row, const RunOptions& options, const RunContext& context) {
  require_input(input_deck_name);
  const InputDeck deck = read_input_deck();
  const ModelView view = deck_model_view(deck);
  write_views(view, row, options, context.placed);
  write_model_report(view, options, context);
}

ListingEnd run_job(std::int32_t job_code, const RunOptions& options, Console& console,
                   ProgressLine* progress) {
  const JobRow& row = job_row(job_code);
  for (const std::string_view line : banner) write_free(console.output, {line});
  write_free(console.output, {std::string_view("Please waiting ... ")});
  console.output.flush();
  // Every result is checked against those put in place before it, so that a
  // file system that takes two names for one file cannot lose a step.
  PlacedFiles placed;
  const RunContext context{job_code, progress, &placed};
  // A run that reads a listing reports on it; the generated or deck model of
  // jobs 0 and 5 is reported only without one.
  bool listing_read = false;
  ListingEnd end;
  if (row.listing_required || input_file_exists(std::string(listing_name))) {
    end = run_listing_outputs(row, options, console, context);
    listing_read = true;
  }
  RunOptions later = options;
  later.report = options.report && !listing_read;
  if (row.generator) run_generator(row, later, console, context);
  if (row.deck_view) run_deck_view(row, later, context);
  console.output.flush();
  return end;
}

}  // namespace meridian
