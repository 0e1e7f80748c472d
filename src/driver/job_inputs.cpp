#include "driver/job_inputs.hpp"

#include <array>
#include <string>

#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"

namespace meridian {

void require_input(std::string_view name) {
  if (!input_file_exists(std::string(name))) fail_file(name, "the input file is missing");
}

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

bool rewrites_springs(const ListingModel& model) {
  return model.discrete_flag != 0 && !(ended_early(model) && model.step_count == 0);
}

}  // namespace meridian
