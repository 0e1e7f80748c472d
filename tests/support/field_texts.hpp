#pragma once
// E20.13 texts of a few values, written out by hand (not by the renderer), for
// tests that compare whole Tecplot records.

#include <string>

namespace meridian::testing {

inline const std::string e_zero = " 0.0000000000000E+00";
inline const std::string e_one = " 0.1000000000000E+01";
inline const std::string e_two = " 0.2000000000000E+01";
inline const std::string e_half = " 0.5000000000000E+00";
inline const std::string e_twenty = " 0.2000000000000E+02";
inline const std::string e_minus_three = "-0.3000000000000E+01";
inline const std::string e_minus_two_and_half = "-0.2500000000000E+01";

}  // namespace meridian::testing
