#pragma once
// Records shared by the CSV extracts of a step: the node row, the header record,
// block ends and block titles, and the tables of the step they read.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/output_file.hpp"

namespace meridian {

// The tables of one step that the extracts read. Node numbers 1..node_limit
// are valid positions in all of them.
struct StepTables {
  std::span<const double> node_x, node_y, node_z;
  std::span<const double> node_result;  // node-major, 4 per node: dx, dy, dz, temperature
  std::span<const double> node_stress;  // node-major, 7 per node
  std::int32_t node_limit = 0;
};

// Ends the run when `node` lies outside 1..node_limit (`file` and `what` name the
// extract and the table the number came from).
void check_node(const StepTables& step, std::int32_t node, std::string_view file,
                std::string_view what);

// (I5,3(A1,E20.8),A1,3(A1,E20.8),A1,7(A1,E20.8)): node, undeformed x, y, z, an
// empty column, the unscaled displacements, an empty column, the 7 stresses.
// 280 columns. The node must have been checked.
void write_node_row(OutputFile& out, const StepTables& step, std::int32_t node);
// (A73): 14 blanks and the column names.
void write_extract_header(OutputFile& out);
// A record holding a single blank, after each block of rows.
void write_block_end(OutputFile& out);
// (A<lead width>,I2,A1,I2): e.g. "interface," m "," t or "material type," t "," 1.
void write_block_title(OutputFile& out, std::string_view lead, std::int64_t first,
                       std::int64_t second);

// Orders `list` ascending by key[node - 1]: for each position in turn, the
// earliest entry with the strictly smallest key among the remaining positions is
// exchanged into it. The exchanges may reorder entries of equal keys; that order
// is part of the output, so the procedure is followed literally.
void order_by_selection(std::vector<std::int32_t>& list, std::span<const double> key);

}  // namespace meridian
