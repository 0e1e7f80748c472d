#pragma once
// An input deck of two nodes and one (degenerate) hexahedron, in pieces: the
// head, the control record (given by the test), the nodes and element with the
// interface section's heading lines, and the nodal temperatures.

#include <string>

namespace meridian::testing {

inline const std::string deck_head =
    "test deck\n"
    "*   Interfaces  (control record follows)\n";
inline const std::string deck_nodes_and_element =
    "*****Nodal point cards\n"
    "       1  7.0   0.00000000000E+00   0.00000000000E+00   0.00000000000E+00\n"
    "       2    2   0.15000000000E+01  -0.25000000000E+00   0.10000000000E+01\n"
    "*****Element cards\n"
    "*  number  mat  nodes\n"
    "       1    1       1       2       2       1       1       2       2       1\n"
    "*****Sliding interfaces\n"
    "*  master  slave\n"
    "*  segments\n";
inline const std::string deck_temperatures =
    "*--------- nodal temperatures\n"
    "*  node   temperature\n"
    "       1      10.0\n"
    "       2      30.0\n";
// The control record of a deck of 2 nodes, 1 element and no interface.
inline const std::string deck_control_without_interfaces =
    "    1        2        1         1         0    1    0\n";

}  // namespace meridian::testing
