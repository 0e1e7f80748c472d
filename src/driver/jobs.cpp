#include "driver/jobs.hpp"

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
#include "driver/listing_follower.hpp"
#include "exodus/exodus_file.hpp"
#include "driver/progress_line.hpp"
#include "driver/step_pipeline.hpp"
#include "generator/parameter_file.hpp"
#include "history/history_file.hpp"
#include "listing/listing_reader.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "records/free_form.hpp"
#include "report/run_report.hpp"
#include "summary/summary_file.hpp"
#include "vtk/vtk_files.hpp"

namespace meridian {
namespace {

// The input files of the jobs.
constexpr std::string_view listing_name = "n3dhsp";
constexpr std::string_view parameter_name = "parameter_in.txt";
constexpr std::string_view input_deck_name = "nikein.txt";
constexpr std::string_view deck_name = "nikein";

// Ends the run when an input file is missing (or a folder has its name), before
// the job creates anything.
void require_input(std::string_view name) {
  if (!input_file_exists(std::string(name))) fail_file(name, "the input file is missing");
}

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

// What the jobs write besides model_load.dat and the stress files: one named
// field per output, so a new one is one more field here and in the rows that
// write it.
constexpr ViewOptions model_load_only{};
constexpr ViewOptions with_interfaces{.interface_zones = true};

constexpr StepOutputs no_extracts{};
constexpr StepOutputs edge_paths{.edge_paths = true};
constexpr StepOutputs diagonal_paths{.diagonal_paths = true};
constexpr StepOutputs lines_and_springs{.axis_lines = true, .springs = true};

// Jobs 0 to 6, in order; what a row leaves out keeps JobRow's default (the
// listing required, no question, nothing else written). GCC would ask for
// every member before the last one named; the defaults are meant.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
constexpr std::array<JobRow, 7> job_table = {{
    {.listing_required = false, .view = with_interfaces, .generator = true},
    {.asks_scale = true, .view = model_load_only},
    {.view = with_interfaces, .steps = edge_paths},
    {.view = with_interfaces, .steps = diagonal_paths},
    {.view = with_interfaces, .steps = no_extracts, .deck_rewrite = true},
    {.listing_required = false, .view = with_interfaces, .deck_view = true},
    {.view = with_interfaces, .steps = lines_and_springs},
}};

// Every other job number: the listing views and stress files of job 2,
// without its extracts.
constexpr JobRow default_row{.view = with_interfaces, .steps = no_extracts};
#pragma GCC diagnostic pop

// The one question of a run, asked after model_load.dat has been written and
// before any result file.
double ask_deformation_scale(Console& console) {
  write_free(console.output, {});
  write_free(console.output,
             {std::string_view("Input the scale factor of presented deformation =")});
  console.output.flush();
  double scale = 0.0;
  const std::array<FieldTarget, 1> targets{FieldTarget(&scale)};
  require_free(console.input, targets, "the scale factor of presented deformation");
  return scale;
}

// Whether the deck's springs are rewritten from the listing's first step: not
// without springs ("no spring" is said), nor when the listing ended before
// that step was complete.
bool rewrites_springs(const ListingModel& model) {
  return model.discrete_flag != 0 && !(ended_early(model) && model.step_count == 0);
}

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

// How this run names its results and where it notes those put in place.
// Where the system cannot hold the other names (Windows), always the portable
// ones.
ResultNames result_names(const RunOptions& options, PlacedFiles* placed) {
  const bool portable = options.portable_names || platform::names_must_be_portable;
  return ResultNames{portable ? StepNames::portable : StepNames::characters, placed};
}

// The step files a row and the options ask for.
StepOutputs step_outputs(const JobRow& row, const RunOptions& options, const RunContext& context) {
  StepOutputs steps = row.steps;
  steps.vtk = options.vtk;
  steps.names = result_names(options, context.placed);
  return steps;
}

// The model views of a model, and its VTK files when asked for.
void write_views(const ModelView& view, const JobRow& row, const RunOptions& options,
                 PlacedFiles* placed, std::string_view temperature_name = "temperature") {
  ViewOptions view_options = row.view;
  view_options.names = result_names(options, placed);
  write_model_view(view, view_options);
  if (options.vtk) write_model_vtk(view, VtkModelOptions{temperature_name, placed});
}

ReportHeading report_heading(std::string_view title, const RunContext& context) {
  return ReportHeading{title, context.job_code, MERIDIAN_VERSION};
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

void clear_progress(ProgressLine* progress) {
  if (progress != nullptr) progress->clear();
}

// The step files, the VTK step files, the report's steps and the histories,
// as the row and options ask.
struct ListingWriters {
  std::optional<SummaryFile> summary;
  std::optional<HistoryFile> history;
  std::optional<RunReport> report;
  std::optional<StepWriter> steps;
  std::optional<ExodusFile> exodus;

  // Creates them in this order: summary.csv and history.csv (whose rows the
  // page carries), report.html, the step writer's shared layout, model.exo.
  // With `snapshots`, summary.csv, history.csv and report.html are written
  // whole by every snapshot(). `kept` (the element values every step keeps) must
  // outlive the writers.
  void create(std::string_view title, const ModelView& view, const StepResults& results,
              const JobRow& row, const RunOptions& options, const RunContext& context,
              const KeptElements& kept, bool snapshots = false) {
    if (options.report) summary.emplace(results.node_count, context.placed, snapshots);
    if (!options.history.empty()) history.emplace(options.history, kept, context.placed, snapshots);
    if (options.report) {
      report.emplace(view, report_heading(title, context), &results, context.placed, snapshots,
                     options.report_budget_mb.value_or(default_page_budget_mb), &summary->text(),
                     history ? &history->text() : nullptr);
    }
    if (results.step_count > 0) steps.emplace(results, step_outputs(row, options, context));
    if (options.exodus) {
      exodus.emplace(ExodusModel{title, MERIDIAN_VERSION, results.node_x, results.node_y, results.node_z,
                                 results.element_nodes, results.element_material, results.spring_node1,
                                 results.spring_node2, results.node_count},
                     context.placed);
    }
  }
  void write(std::int32_t step, const StepValues& values) {
    if (summary) summary->add_step(step, values);
    if (history) history->add_step(step, values);
    if (report) report->add_step(step, values);
    if (exodus) exodus->add_step(step, values);
    if (steps) steps->write(step, values.node_result, values.node_stress);
  }
  // The files that describe the steps written so far: model_stress.pvd,
  // summary.csv, report.html and history.csv.
  void snapshot(const AnalysisProgress& progress) {
    if (steps) steps->finish();
    if (summary) summary->snapshot();
    if (history) history->snapshot();
    if (report) report->snapshot(progress);
  }
  void finish(const std::optional<AnalysisProgress>& progress = std::nullopt) {
    if (steps) steps->finish();
    if (summary) summary->finish();
    if (history) history->finish();
    if (report) report->finish(progress);
    if (exodus) exodus->finish();
  }
};

// What the report says of a listing that ended before its announced steps.
std::optional<AnalysisProgress> stopped_analysis(const ListingModel& model) {
  if (!ended_early(model)) return std::nullopt;
  return AnalysisProgress{model.step_count, model.announced_step_count, false,
                          !model.unreadable_value.empty()};
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

// The listing's files written while it is read, where nothing waits for an
// answer and no file needs a later step than the one being written: the model
// views once the model sections are read, each step's files while the next
// step is read. Every file is held under its temporary name until the listing
// has been read whole, so a listing that fails part-way leaves every result
// as it was; a followed listing instead has its files put in place as they
// are finished (publish()).
class WritingWhileReading final : public StepSink {
 public:
  WritingWhileReading(const JobRow& row, const RunOptions& options, const RunContext& context,
                      Console& console, const KeptElements& kept)
      : row_(row), options_(options), context_(context), console_(console), kept_(kept) {}

  bool took_steps() const { return pipeline_.has_value(); }
  // The steps kept for what waits for the end (empty unless something does).
  const StepStore& kept_steps() const { return later_; }

  bool take_steps(const ListingModel& model) override {
    if (!writes_while_reading(model)) return false;
    // A followed listing with springs: the spring extracts (which take the
    // last step's forces) and the deck rewrite (the first step's
    // displacements) wait for the end, from the steps kept meanwhile.
    waiting_for_end_ = model.discrete_flag != 0 && (row_.steps.springs || row_.deck_rewrite);
    if (waiting_for_end_) {
      spring_extracts_ = row_.steps.springs;
      row_.steps.springs = false;
      later_ = StepStore(model.node_capacity);
    }
    double deformation_scale = 1.0;
    if (row_.asks_scale) {
      // A followed listing has its question asked once its model is read.
      if (!options_.scale) clear_progress(context_.progress);
      deformation_scale = options_.scale ? *options_.scale : ask_deformation_scale(console_);
    }
    view_ = model_view_of(model);
    results_ = step_results_of(model, deformation_scale);
    // The reader gives each step's peak with the step; the store is not used.
    results_.steps = nullptr;
    results_.stress_peaks = {};
    // The reader moves the model out at its end, while the last step may
    // still be written: the writer keeps views of the tables, whose storage
    // stays, and its own title.
    title_ = model.title;
    announced_ = model.announced_step_count;
    context_.placed->hold_results();
    pipeline_.emplace(
        StepPipeline::Work{
            [this] {
              write_views(view_, row_, options_, context_.placed);
              writers_.create(title_, view_, results_, row_, options_, context_, kept_, following());
              if (following()) publish();
            },
            [this](std::int32_t step, const StepValues& values) {
              writers_.write(step, values);
              steps_written_ = step;
              // A listing read faster than it is written has its steps put
              // in place when the reader waits (idle); one already written
              // still shows them now and then.
              if (following() && Clock::now() - published_at_ >= publish_interval) publish();
            },
            [this] { writers_.finish(end_); },
            [this] {
              if (steps_written_ > steps_published_) publish();
            }},
        step_values_for(model, kept_));
    return true;
  }

  void take_step(std::int32_t step, StepValues& values) override {
    if (waiting_for_end_) later_.append(values.node_result, values.node_stress);
    pipeline_->hand_over(step, values);
  }

  void reading_failed() noexcept override {
    if (pipeline_) pipeline_->abandon();
    drop_held();
  }

  // The reader of a followed listing waits for more: the writer puts in
  // place what it has finished. A failure of the writing ends the run now
  // instead of when the listing is complete.
  void reader_waiting() {
    if (!pipeline_) return;
    if (const std::exception_ptr failure = pipeline_->failure()) std::rethrow_exception(failure);
    pipeline_->poke();
  }

  // The listing has been read whole: waits for the last step's files, puts
  // every held file in place in order, then reports the first failure of the
  // writing, if any (the files finished before it stay in place).
  void finish(const ListingModel& model) {
    end_ = stopped_analysis(model);
    const std::exception_ptr failure = pipeline_->finish();
    {
      // A followed run keeps the files in place naming the same steps.
      std::optional<platform::InterruptsDeferred> deferred;
      if (following()) deferred.emplace();
      place_held_results(*context_.placed);
    }
    if (failure) std::rethrow_exception(failure);
    if (row_.deck_rewrite && rewrites_springs(model)) require_input(deck_name);
    if (spring_extracts_) write_spring_extracts(results_, result_names(options_, context_.placed), later_);
  }

  ~WritingWhileReading() override {
    if (pipeline_) pipeline_->abandon();
    drop_held();
  }

 private:
  using Clock = std::chrono::steady_clock;
  // How often a followed listing read without waiting has its steps put in
  // place.
  static constexpr std::chrono::seconds publish_interval{1};

  bool following() const { return options_.follow_seconds.has_value(); }

  // Whether this run's files can be written while the listing is read.
  bool writes_while_reading(const ListingModel& model) const {
    // The question is asked once the listing is read, unless it is followed.
    if (row_.asks_scale && !options_.scale && !following()) return false;
    // A followed listing's files are put in place as they are finished.
    if (following()) return true;
    // The spring extract takes every step's forces from the last step, the
    // deck rewrite its displacements from the first.
    const bool springs = model.discrete_flag != 0;
    if (springs && (row_.steps.springs || row_.deck_rewrite)) return false;
    // Each held file keeps a file open and an entry for the interrupt.
    const std::int64_t per_step = 1 + (row_.steps.edge_paths || row_.steps.diagonal_paths ||
                                       row_.steps.axis_lines) +
                                  row_.steps.springs + options_.vtk;
    const std::int64_t held = 8 + 2 * std::int64_t{std::max(model.interface_count, 0)} +
                              per_step * std::max(model.step_count, 0);
    constexpr std::int64_t spare = 64;
    return held + spare <= platform::interrupt_entries &&
           held + spare <= platform::raise_open_file_limit();
  }

  // On the writing thread: the files finished so far go in place, with the
  // time series, summary and page of exactly the steps among them. No
  // interrupt comes between the two, so the files in place always agree.
  void publish() {
    const platform::InterruptsDeferred deferred;
    writers_.snapshot(AnalysisProgress{steps_written_, announced_, true});
    place_held_so_far(*context_.placed);
    steps_published_ = steps_written_;
    published_at_ = Clock::now();
  }

  void drop_held() noexcept {
    if (context_.placed != nullptr && context_.placed->holding()) context_.placed->release_held();
  }

  // The job's row, without the spring extracts when they wait for the end.
  JobRow row_;
  const RunOptions& options_;
  RunContext context_;
  Console& console_;
  const KeptElements& kept_;
  std::string title_;
  ModelView view_;
  StepResults results_;
  ListingWriters writers_;
  std::int32_t announced_ = 0;
  // The writing thread's: the steps written and put in place, and when.
  std::int32_t steps_written_ = 0;
  std::int32_t steps_published_ = 0;
  Clock::time_point published_at_ = Clock::now();
  // How the analysis ended, for the report, set before the last step's
  // files are finished.
  std::optional<AnalysisProgress> end_;
  std::optional<StepPipeline> pipeline_;
  // What waits for the end of a followed listing with springs, and the
  // steps kept for it.
  bool waiting_for_end_ = false;
  bool spring_extracts_ = false;
  StepStore later_;
};

}  // namespace

const JobRow& job_row(std::int32_t job_code) {
  if (job_code >= 0 && job_code < static_cast<std::int32_t>(job_table.size())) {
    return job_table[static_cast<std::size_t>(job_code)];
  }
  return default_row;
}

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
      listing.follow_growth(follower->growth_wait(listing.handle(), [&writing] { writing.reader_waiting(); }));
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
