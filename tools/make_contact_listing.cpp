// Writes a small listing of two bodies in contact for the viewer checks: a
// slab of 3 x 2 x 1 hexahedra (material 1) and a block of 2 x 1 x 1 (material
// 2) standing on it, one sliding interface between the slab's top (master) and
// the block's base (slave), springs from ground nodes below the slab's corners
// (numbered after the bodies' nodes, so they are no hexahedron's corners), one
// load case, a temperature profile and the given number of printed time steps.
//
// Usage: make_contact_listing <output path> [steps]

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "support/listing_writer.hpp"

namespace {

using namespace meridian::testing;

ListingFixture contact(int steps) {
  ListingFixture f;
  f.title = "MERIDIAN contact case: slab, block, sliding interface";
  add_block(f, 3, 2, 1, 0.0, 0.0, 0.0, 1);  // nodes 1..24, elements 1..6
  add_block(f, 2, 1, 1, 0.5, 0.5, 1.0, 2);  // nodes 25..36, elements 7..8

  // The slab's base is held in z; its corners sit on springs to ground nodes.
  for (int n = 1; n <= 12; ++n) f.nodes[static_cast<std::size_t>(n - 1)].constraint = 3;
  f.spring_types = {{5.0e5, 3}};
  for (const int corner : {1, 4, 9, 12}) {
    const ListingNode& base = f.nodes[static_cast<std::size_t>(corner - 1)];
    f.springs.push_back({static_cast<std::int32_t>(f.nodes.size()) + 1, corner, 1, 1.0});
    f.nodes.push_back({7, base.x, base.y, -0.5});
  }

  // The slab's whole top (z = 1) and the block's base.
  ListingInterface contact_faces;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) {
      const std::int32_t a = 13 + i + 4 * j;
      contact_faces.master.push_back({a, a + 1, a + 5, a + 4});
    }
  }
  for (int i = 0; i < 2; ++i) {
    const std::int32_t a = 25 + i;
    contact_faces.slave.push_back({a, a + 3, a + 4, a + 1});
  }
  f.interfaces.push_back(contact_faces);

  for (int n = 31; n <= 36; ++n) f.loads.push_back({n, 3, 1, -125.0});
  for (std::size_t i = 0; i < f.nodes.size(); ++i) {
    f.temperatures.push_back({static_cast<std::int32_t>(i) + 1, 15.0, 0.5 * f.nodes[i].z});
  }
  add_simple_steps(f, steps);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  int steps = 3;
  if (argc == 3) steps = std::atoi(argv[2]);
  if ((argc != 2 && argc != 3) || steps < 1 || steps > 999) {
    std::fprintf(stderr, "usage: make_contact_listing <output path> [steps (1..999)]\n");
    return 2;
  }
  try {
    write_listing_file(contact(steps), argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_contact_listing: %s\n", error.what());
    return 2;
  }
  return 0;
}
