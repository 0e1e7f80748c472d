#pragma once
// Reading back what a run wrote, for tests that hold one output against
// another: the node values of a stress file, fields of CSV records, reals
// from their exact text.

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace meridian::testing {

// The double a decimal text stands for, correctly rounded (as the listing's
// reader reads a printed field).
inline double exact(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The parts of a text between separators (a trailing separator gives a last
// empty part).
inline std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.push_back("");
  return parts;
}

// The 11 values (X, Y, Z, the six stresses, MISES, temperature) of each of
// the first `nodes` nodes of the first zone of a stress file.
inline std::vector<std::array<double, 11>> stress_file_nodes(const std::string& text, int nodes) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.rfind("N=", 0) != 0) {
  }
  std::vector<std::array<double, 11>> values(static_cast<std::size_t>(nodes));
  for (auto& node : values) {
    for (double& v : node) in >> v;
  }
  return values;
}

}  // namespace meridian::testing
