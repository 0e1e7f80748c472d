#include "listing/read_listing.hpp"

#include <array>
#include <vector>

#include "listing/deck_springs.hpp"
#include "listing/listing_model.hpp"
#include "records/free_form.hpp"
#include "results/step_results.hpp"
#include "views/model_view.hpp"

namespace meridian {

namespace {

// The one question of a run, asked for job 1 only, after model_load.dat has
// been written and before any result file.
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

}  // namespace

void read_listing(std::int32_t job_code, Console& console) {
  ListingModel model;
  {
    // The listing is read whole and closed before anything is written.
    InputFile listing = InputFile::open("n3dhsp");
    model = load_listing(listing);
  }

  write_model_view(model_view_of(model), job_code);

  const double deformation_scale = job_code == 1 ? ask_deformation_scale(console) : 1.0;

  write_step_results(step_results_of(model, deformation_scale), job_code);

  if (job_code == 4) {
    if (model.discrete_flag != 0) {
      // The first printed time step's nodal printout; a listing without time
      // steps has none, and the rewrite sees zeros.
      std::vector<double> node_result(static_cast<std::size_t>(model.steps.node_capacity()) * 4,
                                      0.0);
      std::vector<double> node_stress;
      if (model.steps.step_count() >= 1) model.steps.load(1, node_result, node_stress);
      DeckSprings springs;
      springs.node_capacity = model.node_capacity;
      springs.spring_node1 = model.spring_node1;
      springs.spring_node2 = model.spring_node2;
      springs.spring_direction = model.spring_direction;
      springs.spring_sign = model.spring_force;
      springs.node_result = node_result;
      rewrite_deck_springs(springs, console);
    } else {
      write_free(console.output, {std::string_view("no spring")});
    }
  }
}

}  // namespace meridian
