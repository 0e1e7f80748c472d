#include "driver/listing_writers.hpp"

#include "platform/platform.hpp"
#include "vtk/vtk_files.hpp"

namespace meridian {
namespace {

// The step files a row and the options ask for.
StepOutputs step_outputs(const JobRow& row, const RunOptions& options, const RunContext& context) {
  StepOutputs steps = row.steps;
  steps.vtk = options.vtk;
  steps.names = result_names(options, context.placed);
  return steps;
}

}  // namespace

ResultNames result_names(const RunOptions& options, PlacedFiles* placed) {
  const bool portable = options.portable_names || platform::names_must_be_portable;
  return ResultNames{portable ? StepNames::portable : StepNames::characters, placed};
}

void write_views(const ModelView& view, const JobRow& row, const RunOptions& options,
                 PlacedFiles* placed, std::string_view temperature_name) {
  ViewOptions view_options = row.view;
  view_options.names = result_names(options, placed);
  write_model_view(view, view_options);
  if (options.vtk) write_model_vtk(view, VtkModelOptions{temperature_name, placed});
}

ReportHeading report_heading(std::string_view title, const RunContext& context) {
  return ReportHeading{title, context.job_code, MERIDIAN_VERSION};
}

std::optional<AnalysisProgress> stopped_analysis(const ListingModel& model) {
  if (!ended_early(model)) return std::nullopt;
  return AnalysisProgress{model.step_count, model.announced_step_count, false,
                          !model.unreadable_value.empty()};
}

void ListingWriters::create(std::string_view title, const ModelView& view,
                            const StepResults& results, const JobRow& row,
                            const RunOptions& options, const RunContext& context,
                            const KeptElements& kept, bool snapshots) {
  if (options.report) summary.emplace(results.node_count, context.placed, snapshots);
  if (!options.history.empty()) history.emplace(options.history, kept, context.placed, snapshots);
  if (options.report) {
    report.emplace(view, report_heading(title, context), &results, context.placed, snapshots,
                   options.report_budget_mb.value_or(default_page_budget_mb), &summary->text(),
                   history ? &history->text() : nullptr);
  }
  if (results.step_count > 0) steps.emplace(results, step_outputs(row, options, context));
  if (options.exodus) {
    exodus.emplace(ExodusModel{title, MERIDIAN_VERSION, results.node_x, results.node_y,
                               results.node_z, results.element_nodes, results.element_material,
                               results.spring_node1, results.spring_node2, results.node_count},
                   context.placed);
  }
}

void ListingWriters::write(std::int32_t step, const StepValues& values) {
  if (summary) summary->add_step(step, values);
  if (history) history->add_step(step, values);
  if (report) report->add_step(step, values);
  if (exodus) exodus->add_step(step, values);
  if (steps) steps->write(step, values.node_result, values.node_stress);
}

void ListingWriters::snapshot(const AnalysisProgress& progress) {
  if (steps) steps->finish();
  if (summary) summary->snapshot();
  if (history) history->snapshot();
  if (report) report->snapshot(progress);
}

void ListingWriters::finish(const std::optional<AnalysisProgress>& progress) {
  if (steps) steps->finish();
  if (summary) summary->finish();
  if (history) history->finish();
  if (report) report->finish(progress);
  if (exodus) exodus->finish();
}

}  // namespace meridian
