#pragma once
// The console of a run: standard input for the one answer the user types,
// standard output for the banner and messages. Tests pass in-memory files.

#include "files/input_file.hpp"
#include "files/output_file.hpp"

namespace meridian {

struct Console {
  InputFile& input;
  OutputFile& output;
};

}  // namespace meridian
