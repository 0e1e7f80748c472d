#pragma once
// What the jobs read: their input files (all names are fixed), the one
// question a run asks on the console, and whether the deck's springs are
// rewritten from a listing.

#include <string_view>

#include "files/console.hpp"
#include "listing/listing_model.hpp"

namespace meridian {

// The input files of the jobs.
inline constexpr std::string_view listing_name = "n3dhsp";
inline constexpr std::string_view parameter_name = "parameter_in.txt";
inline constexpr std::string_view input_deck_name = "nikein.txt";
inline constexpr std::string_view deck_name = "nikein";

// Ends the run when an input file is missing (or a folder has its name), before
// the job creates anything.
void require_input(std::string_view name);

// The one question of a run, asked after model_load.dat has been written and
// before any result file: the deformation scale factor.
double ask_deformation_scale(Console& console);

// Whether the deck's springs are rewritten from the listing's first step: not
// without springs ("no spring" is said), nor when the listing ended before
// that step was complete.
bool rewrites_springs(const ListingModel& model);

}  // namespace meridian
