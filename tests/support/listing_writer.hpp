#pragma once
// Test fixture: lays out a complete NIKE3D output listing (the text of an
// n3dhsp file) from a model and its results, with the solver's page layout:
// title block, control card echoes with the counts in their columns, nodal
// points and hexahedra in pages of 50, discrete elements, sliding interface
// definitions, concentrated loads, temperature profile, and per time step the
// nodal, element and discrete printouts with their page breaks.
//
// Counts printed on the control cards follow the tables unless overridden,
// and every section can be left out, so tests can build inconsistent or
// incomplete listings on purpose.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/nodal_stress.hpp"
#include "model/mesh.hpp"

namespace meridian::testing {

struct ListingNode {
  std::int32_t constraint = 0;  // direction code 0..7
  double x = 0.0, y = 0.0, z = 0.0;
};

struct ListingElement {
  std::int32_t material = 1;
  ElementCorners nodes{};
};

struct ListingSpringType {
  double stiffness = 0.0;      // "linear stiffness", printed E12.4
  std::int32_t direction = 1;  // "direction code"
};

struct ListingSpring {
  std::int32_t node1 = 0, node2 = 0;
  std::int32_t type = 1;  // 1-based spring-damper type
  double scale = 1.0;     // "scale factor", printed E19.6
};

struct ListingInterface {
  std::vector<Segment> master, slave;  // printed slave count first
};

struct ListingLoad {
  std::int32_t node = 0, direction = 1, load_case = 1;
  double value = 0.0;  // printed E17.4
};

struct ListingTemperature {
  std::int32_t node = 0;
  double first = 0.0, second = 0.0;  // the reader stores first + second
};

// One discrete printout row: deflections a (initial) and b (current), force c.
struct ListingSpringResult {
  double initial = 0.0, current = 0.0, force = 0.0;
};

struct ListingStep {
  // Nodal printout rows (x-, y-, z-displacement, temperature), printed E14.5 /
  // E13.5; one per node in the usual case.
  std::vector<std::array<double, 4>> node_values;
  // Element printout: per element the 8 integration-point rows of 7 values,
  // printed E11.3. The reader always reads at least one element's rows, so a
  // model without elements still needs one entry here.
  std::vector<ElementPrintout> element_values;
  // Discrete printout rows (written only when the listing has springs).
  std::vector<ListingSpringResult> spring_values;
  double time = 0.0;
  bool nodal_printout = true;     // false: the block has no nodal printout
  bool element_printout = true;   // false: no element printout
  bool discrete_printout = true;  // false: no discrete printout
};

// Counts printed on the control cards and in the discrete element section.
// Unset: taken from the tables (discrete_flag 1 when there are springs or
// spring types, temperature_flag 1 when there are temperature rows).
struct PrintedCounts {
  std::optional<std::int32_t> node_capacity, element_capacity, interface_count, discrete_flag,
      step_count, load_case_count, point_load_count, temperature_flag, spring_type_count,
      spring_count;
};

// Sections that can be left out of the listing (their key line and rows are
// not written).
struct OmittedSections {
  bool title_block = false;
  bool control_card_2 = false, control_card_3 = false, control_card_4 = false,
       control_card_7 = false;
  bool nodal_points = false, hexahedra = false;
  bool discrete_elements = false, spring_types = false;
  bool interfaces = false, loads = false, temperatures = false;
};

struct ListingFixture {
  // Title line text (its first 17 characters are the page title the reader
  // uses to recognise page breaks of the element printout).
  std::string title = "acceptance case fixture";
  std::int32_t load_case_count = 1;
  std::vector<ListingNode> nodes;
  std::vector<ListingElement> elements;
  std::vector<ListingSpringType> spring_types;
  std::vector<ListingSpring> springs;
  std::vector<ListingInterface> interfaces;
  std::vector<ListingLoad> loads;
  // The profile is read as a table of node_capacity rows: give one row per
  // node (in any order; each row names its node).
  std::vector<ListingTemperature> temperatures;
  std::vector<ListingStep> steps;
  PrintedCounts counts;
  OmittedSections omit;
  // Elements printed on each page of the element printout (the first page
  // too); a page break follows every element_page_size-th element that is not
  // the last one.
  int element_page_size = 3;
};

// The whole listing, records separated by LF (as the solver writes them).
std::string write_listing_text(const ListingFixture& fixture);

// Writes the listing to `path` (creating or replacing the file).
void write_listing_file(const ListingFixture& fixture, const std::string& path);

// Lines that match no section key (padding for tests of search bounds).
std::string filler_lines(int count);

// A regular block of nx x ny x nz hexahedra of unit size with its nodes,
// nodes numbered x fastest, starting at node `first_node`; elements in x, y, z
// order. Appends to `fixture`.
void add_block(ListingFixture& fixture, int nx, int ny, int nz, double x0 = 0.0, double y0 = 0.0,
               double z0 = 0.0, std::int32_t material = 1);

// Fills every step's printouts with simple distinct values (node i, step s:
// displacements and temperature depend on i and s; element e, point p,
// component c likewise) for `step_count` steps.
void add_simple_steps(ListingFixture& fixture, int step_count);

// Appends `step_count` steps whose printouts come from the functions, one
// row for every node, element and spring of the fixture: nodes, elements,
// springs and steps count from 1, integration points (0..7) and components
// (0..6) from 0.
struct StepValueSource {
  std::function<std::array<double, 4>(int node, int step)> node;
  std::function<double(int element, int point, int component, int step)> element;
  std::function<ListingSpringResult(int spring, int step)> spring;
};
void add_steps(ListingFixture& fixture, int step_count, const StepValueSource& values);

}  // namespace meridian::testing
