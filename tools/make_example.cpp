// Writes the bundled example listing: a NIKE3D output listing of two bodies
// (a slab of 6 x 4 x 3 hexahedra and a block of 4 x 3 x 2 resting on it through
// springs), grounded by springs at the slab's base, two load cases, a
// temperature profile and three printed time steps. Displacements, stresses
// and spring values follow simple analytic fields, so the Tecplot views of the
// example are smooth and easy to check by eye.
//
// Usage: make_example <output path>

#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "support/listing_writer.hpp"

namespace {

using meridian::ElementPrintout;
using namespace meridian::testing;

constexpr int step_total = 3;

struct Displacement {
  double x, y, z;
};

// Bending of the slab and settling of the block, growing linearly with time.
Displacement displacement(const ListingNode& n, int step) {
  const double t = step / static_cast<double>(step_total);
  return {t * 1.0e-4 * n.x * n.z, -t * 0.5e-4 * n.y * n.z,
          -t * (2.0e-4 * n.z + 1.0e-5 * n.x * n.x)};
}

double temperature(const ListingNode& n, int step) {
  return 20.0 + 2.0 * n.z + 10.0 * step;
}

// Stress components XX, YY, ZZ, XY, YZ, ZX, linear in position; the effective
// stress is their von Mises value at the point.
std::array<double, 7> stress(double x, double y, double z, int step) {
  const double t = step / static_cast<double>(step_total);
  std::array<double, 7> s{-120.0 * t * (1.0 + 0.2 * z),
                          -40.0 * t * (1.0 + 0.1 * x),
                          -250.0 * t + 15.0 * z,
                          8.0 * t * y,
                          -5.0 * t * x,
                          3.0 * t * (x - y)};
  const double a = s[0] - s[1], b = s[1] - s[2], c = s[2] - s[0];
  s[6] = std::sqrt(0.5 * (a * a + b * b + c * c) + 3.0 * (s[3] * s[3] + s[4] * s[4] + s[5] * s[5]));
  return s;
}

ListingFixture example() {
  ListingFixture f;
  f.title = "MERIDIAN example: slab and block on springs";
  f.load_case_count = 2;
  add_block(f, 6, 4, 3, 0.0, 0.0, 0.0, 1);  // nodes 1..140, elements 1..72
  add_block(f, 4, 3, 2, 1.0, 0.5, 3.5, 2);  // nodes 141..200, elements 73..96
  const int slab_nodes = 7 * 5 * 4;
  const int block_first = slab_nodes + 1;

  // The slab's base is held in z; the block's top carries load case 1 (down),
  // its x = 1 face load case 2 (sideways).
  for (int i = 0; i < 7 * 5; ++i) f.nodes[static_cast<std::size_t>(i)].constraint = 3;
  for (int n = block_first; n < block_first + 60; ++n) {
    const ListingNode& node = f.nodes[static_cast<std::size_t>(n - 1)];
    if (node.z == 5.5) f.loads.push_back({n, 3, 1, -250.0});
    if (node.x == 1.0) f.loads.push_back({n, 1, 2, 75.0});
  }

  // Ground nodes below the slab's base, numbered after the bodies' nodes.
  const int ground_first = static_cast<int>(f.nodes.size()) + 1;
  for (int i = 0; i < 7 * 5; ++i) {
    const ListingNode& base = f.nodes[static_cast<std::size_t>(i)];
    f.nodes.push_back({7, base.x, base.y, -0.5});
  }

  f.spring_types = {{2.5e5, 3}, {1.0e6, 7}};
  // Block base to slab top: the block's base nodes sit above slab nodes.
  for (int n = block_first; n < block_first + 20; ++n) {
    const ListingNode& top = f.nodes[static_cast<std::size_t>(n - 1)];
    const int slab_node =
        static_cast<int>(top.x) + 1 + 7 * (static_cast<int>(top.y - 0.5) + 0) + 7 * 5 * 3;
    f.springs.push_back({slab_node, n, 1, 1.0});
  }
  for (int i = 0; i < 7 * 5; ++i) f.springs.push_back({ground_first + i, i + 1, 2, 0.5});

  for (const ListingNode& n : f.nodes) {
    f.temperatures.push_back({static_cast<std::int32_t>(&n - f.nodes.data()) + 1, 20.0, 2.0 * n.z});
  }

  const double gauss = 1.0 / std::sqrt(3.0);
  for (int s = 1; s <= step_total; ++s) {
    ListingStep step;
    step.time = 0.25 * s;
    for (const ListingNode& n : f.nodes) {
      const Displacement u = displacement(n, s);
      step.node_values.push_back({u.x, u.y, u.z, temperature(n, s)});
    }
    for (const ListingElement& e : f.elements) {
      double cx = 0.0, cy = 0.0, cz = 0.0;
      for (std::int32_t node : e.nodes) {
        const ListingNode& n = f.nodes[static_cast<std::size_t>(node - 1)];
        cx += n.x / 8.0;
        cy += n.y / 8.0;
        cz += n.z / 8.0;
      }
      ElementPrintout values{};
      // Integration point k lies towards corner k, at 1/sqrt(3) of the way.
      for (int k = 0; k < 8; ++k) {
        const ListingNode& c =
            f.nodes[static_cast<std::size_t>(e.nodes[static_cast<std::size_t>(k)] - 1)];
        values[static_cast<std::size_t>(k)] =
            stress(cx + (c.x - cx) * gauss, cy + (c.y - cy) * gauss, cz + (c.z - cz) * gauss, s);
      }
      step.element_values.push_back(values);
    }
    for (const ListingSpring& spring : f.springs) {
      const Displacement u1 = displacement(f.nodes[static_cast<std::size_t>(spring.node1 - 1)], s);
      const Displacement u2 = displacement(f.nodes[static_cast<std::size_t>(spring.node2 - 1)], s);
      const double stiffness = f.spring_types[static_cast<std::size_t>(spring.type - 1)].stiffness;
      const double deflection = u2.z - u1.z;
      step.spring_values.push_back({0.0, deflection, stiffness * spring.scale * deflection});
    }
    f.steps.push_back(std::move(step));
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example <output path>\n");
    return 2;
  }
  try {
    write_listing_file(example(), argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_example: %s\n", error.what());
    return 2;
  }
  return 0;
}
