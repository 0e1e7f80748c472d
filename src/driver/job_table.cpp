#include "driver/job_table.hpp"

#include <array>
#include <cstddef>

namespace meridian {
namespace {

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
constexpr auto job_table = std::to_array<JobRow>({
    {.listing_required = false, .view = with_interfaces, .generator = true,
     .help = "as 2 when n3dhsp exists, then reads parameter_in.txt and writes the solver\n"
               "cards out_node.txt, out_element.txt, out_interface.txt, out_load.txt,\n"
               "out_spring.txt and the model views of the generated model"},
    {.asks_scale = true, .view = model_load_only,
     .help = "reads n3dhsp, writes model_load.dat, asks the deformation scale factor on\n"
               "standard input, writes model_stress_<c>.dat for every printed time step"},
    {.view = with_interfaces, .steps = edge_paths,
     .help = "as 1 without the question (factor 1.0), plus interface_m_<c>.dat and\n"
               "interface_s_<c>.dat and per step edge_node_<c>.csv (interface edge paths)"},
    {.view = with_interfaces, .steps = diagonal_paths,
     .help = "as 2, per step diagonal_node_<c>.csv (interface or material diagonal paths)"},
    {.view = with_interfaces, .steps = no_extracts, .deck_rewrite = true,
     .help = "as 2, then rewrites the spring section of the input deck nikein\n"
               "(\"done\" is created when no spring is released)"},
    {.listing_required = false, .view = with_interfaces, .deck_view = true,
     .help = "as 2 when n3dhsp exists, then reads the input deck nikein.txt and writes\n"
               "model_load.dat and the interface zone files of the deck"},
    {.view = with_interfaces, .steps = lines_and_springs,
     .help = "as 2, per step line_node_<c>.csv (material axis lines) and spring_<c>.csv"},
});

// Every other job number: the listing views and stress files of job 2,
// without its extracts.
constexpr JobRow default_row{.view = with_interfaces, .steps = no_extracts};
#pragma GCC diagnostic pop

}  // namespace

const JobRow& job_row(std::int32_t job_code) {
  if (job_code >= 0 && job_code < static_cast<std::int32_t>(job_table.size())) {
    return job_table[static_cast<std::size_t>(job_code)];
  }
  return default_row;
}

std::string jobs_help() {
  std::string text = "Jobs (--job N; without it the job is 1):\n";
  for (std::size_t j = 1; j <= job_table.size(); ++j) {
    const std::size_t job = j % job_table.size();
    std::string_view help = job_table[job].help;
    std::string lead = "  " + std::to_string(job) + "  ";
    for (;;) {
      const std::size_t end = help.find('\n');
      text += lead;
      text += help.substr(0, end);
      text += '\n';
      if (end == std::string_view::npos) break;
      help.remove_prefix(end + 1);
      lead = "     ";
    }
  }
  return text;
}

}  // namespace meridian
