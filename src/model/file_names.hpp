#pragma once
// File-name rules shared by the writers.

#include <cstdint>
#include <string>

namespace meridian {

class PlacedFiles;

// How a run names the files of its steps and interfaces. Each run chooses
// one in result_names (driver/jobs.cpp): portable with --portable-names and
// on Windows, characters otherwise.
enum class StepNames {
  // "1".."9", then ":" ";" ... up to "~" for number 78; from 79 on, the decimal
  // number itself. Some of these characters are refused by Windows and exFAT,
  // and "A".."Z" (17 to 42) and "a".."z" (49 to 74) name one file where letter
  // case is ignored.
  characters,
  // The decimal number: "1".."9", "10", "11", ...; names every file system takes.
  portable,
};

// The suffix of a step's (or interface's) file names.
std::string step_suffix(std::int32_t number, StepNames names = StepNames::characters);

// How a run names and puts in place its result files.
struct ResultNames {
  StepNames steps = StepNames::characters;
  // The files this run has put in place, checked before each result replaces a
  // file (nothing is checked when unset).
  PlacedFiles* placed = nullptr;
};

}  // namespace meridian
