#include "driver/jobs.hpp"

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "cards/card_files.hpp"
#include "deck/deck_springs.hpp"
#include "deck/input_deck.hpp"
#include "driver/progress_line.hpp"
#include "generator/parameter_file.hpp"
#include "listing/listing_reader.hpp"
#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "records/files.hpp"
#include "records/free_form.hpp"
#include "report/html_report.hpp"
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

// clang-format off
constexpr ViewOptions model_load_only{false};
constexpr ViewOptions with_interfaces{true};

//                                      edge   diagonal  axis lines  springs
constexpr StepOutputs no_extracts{      false, false,    false,      false};
constexpr StepOutputs edge_paths{       true,  false,    false,      false};
constexpr StepOutputs diagonal_paths{   false, true,     false,      false};
constexpr StepOutputs lines_and_springs{false, false,    true,       true};

// Jobs 0 to 6, in order.
constexpr std::array<JobRow, 7> job_table = {{
    // listing scale  view             steps              deck    generator deck
    //                                                    rewrite           view
    {false,   false, with_interfaces, no_extracts,       false,  true,     false},  // 0
    {true,    true,  model_load_only, no_extracts,       false,  false,    false},  // 1
    {true,    false, with_interfaces, edge_paths,        false,  false,    false},  // 2
    {true,    false, with_interfaces, diagonal_paths,    false,  false,    false},  // 3
    {true,    false, with_interfaces, no_extracts,       true,   false,    false},  // 4
    {false,   false, with_interfaces, no_extracts,       false,  false,    true},   // 5
    {true,    false, with_interfaces, lines_and_springs, false,  false,    false},  // 6
}};

// Every other job number: the listing views and stress files of job 2,
// without its extracts.
constexpr JobRow default_row{true, false, with_interfaces, no_extracts, false, false, false};
// clang-format on

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

// The spring rewrite of the deck from the listing's springs and its first
// printed time step (a listing without time steps gives zeros).
void rewrite_deck(ListingModel& model, Console& console) {
  if (model.discrete_flag == 0) {
    write_free(console.output, {std::string_view("no spring")});
    return;
  }
  std::vector<double> node_result(static_cast<std::size_t>(model.steps.node_capacity()) * 4, 0.0);
  std::vector<double> node_stress;
  if (model.steps.step_count() >= 1) model.steps.load(1, node_result, node_stress);
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

// The model views of a model, and its VTK files when asked for.
void write_views(const ModelView& view, const JobRow& row, const RunOptions& options,
                 PlacedFiles* placed, std::string_view temperature_name = "temperature") {
  ViewOptions view_options = row.view;
  view_options.names = result_names(options, placed);
  write_model_view(view, view_options);
  if (options.vtk) write_model_vtk(view, VtkModelOptions{temperature_name});
}

ReportHeading report_heading(std::string_view title, const RunContext& context) {
  return ReportHeading{title, context.job_code, MERIDIAN_VERSION};
}

// The report of a model without results (the generated model, the deck's).
void write_model_report(const ModelView& view, const RunOptions& options,
                        const RunContext& context) {
  if (!options.report) return;
  RunReport report(view, report_heading({}, context), nullptr);
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

}  // namespace

const JobRow& job_row(std::int32_t job_code) {
  if (job_code >= 0 && job_code < static_cast<std::int32_t>(job_table.size())) {
    return job_table[static_cast<std::size_t>(job_code)];
  }
  return default_row;
}

void run_listing_outputs(const JobRow& row, const RunOptions& options, Console& console,
                         const RunContext& context) {
  require_input(listing_name);
  ListingModel model = read_listing(reading_progress(context.progress));
  clear_progress(context.progress);
  const bool rewrites_deck = row.deck_rewrite && model.discrete_flag != 0;
  if (rewrites_deck) require_input(deck_name);
  const ModelView view = model_view_of(model);
  write_views(view, row, options, context.placed);
  double deformation_scale = 1.0;
  if (row.asks_scale) {
    deformation_scale = options.scale ? *options.scale : ask_deformation_scale(console);
  }
  StepOutputs steps = row.steps;
  steps.vtk = options.vtk;
  steps.names = result_names(options, context.placed);
  const StepResults results = step_results_of(model, deformation_scale);
  std::optional<RunReport> report;
  if (options.report) report.emplace(view, report_heading(model.title, context), &results);
  const std::int32_t step_count = model.steps.step_count();
  write_step_results(results, steps,
                     [&report, &context, step_count](std::int32_t step,
                                                     std::span<const double> node_result,
                                                     std::span<const double> node_stress) {
                       if (context.progress != nullptr) {
                         context.progress->show(ProgressLine::writing_text(step, step_count));
                       }
                       if (report) report->add_step(step, node_result, node_stress);
                     });
  if (report) report->finish();
  clear_progress(context.progress);
  if (row.deck_rewrite) rewrite_deck(model, console);
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

void run_job(std::int32_t job_code, const RunOptions& options, Console& console,
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
  if (row.listing_required || input_file_exists(std::string(listing_name))) {
    run_listing_outputs(row, options, console, context);
    listing_read = true;
  }
  RunOptions later = options;
  later.report = options.report && !listing_read;
  if (row.generator) run_generator(row, later, console, context);
  if (row.deck_view) run_deck_view(row, later, context);
  console.output.flush();
}

}  // namespace meridian
