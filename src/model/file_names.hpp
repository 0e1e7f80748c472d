#pragma once
// File-name rules shared by the writers.

#include <cstdint>
#include <string>

namespace meridian {

// The suffix of a step's (or interface's) file names: "1".."9", then ":" ";" ...
// up to "~" for number 78; from 79 on, the decimal number itself.
std::string step_suffix(std::int32_t number);

}  // namespace meridian
