#include "summary/summary_file.hpp"

#include <algorithm>
#include <string>

#include "records/fatal.hpp"
#include "summary/step_summary.hpp"

namespace meridian {
namespace {

constexpr std::string_view summary_name = "summary.csv";

}  // namespace

SummaryFile::SummaryFile(std::int32_t node_count, PlacedFiles* placed, bool snapshots)
    : node_count_(std::max(node_count, 0)),
      file_(std::string(summary_name), std::string(summary_header()), placed, snapshots) {}

void SummaryFile::add_step(std::int32_t step, const StepValues& values) {
  const auto rows = static_cast<std::size_t>(node_count_);
  if (values.node_result.size() < rows * 4 || values.node_stress.size() < rows * 7) {
    fail_file(summary_name, "a stored step holds fewer nodes than the model");
  }
  file_.add_row(summary_record(
      summarize_step(step, node_count_, values.node_result, values.node_stress, values.peak)));
}

}  // namespace meridian
