// The spring extract of a step: displaced positions of both nodes of every
// spring, the relative displacement along its direction and its listing values.

#include <algorithm>

#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "results/path_extracts.hpp"

namespace meridian {

void write_spring_extract(OutputFile& out, const StepTables& step, const SpringTables& springs) {
  const std::size_t count = springs.spring_node1.size();
  if (springs.spring_node2.size() < count || springs.spring_direction.size() < count ||
      springs.spring_stiffness.size() < count || springs.spring_deflection.size() < count ||
      springs.spring_force.size() < count) {
    fail_file(out.name(), "the spring tables differ in length");
  }
  out.write_record(
      "spring,node1,x,y,z,node2,x,y,z,direction,displacement,stiffness,deflection,force");
  // (I5,3(A1,I5,3(A1,E20.10)),A1,E20.10): 233 columns.
  constexpr std::size_t row_width = 233;
  char row[row_width];
  for (std::size_t j = 0; j < count; ++j) {
    const std::int32_t a = springs.spring_node1[j];
    const std::int32_t b = springs.spring_node2[j];
    const std::int32_t d = springs.spring_direction[j];
    check_node(step, a, out.name(), "a spring");
    check_node(step, b, out.name(), "a spring");
    char* p = row;
    auto integer = [&p](std::int64_t value) {
      *p = ',';
      render_integer(p + 1, 5, value);
      p += 6;
    };
    auto real = [&p](double value) { p = render_separated_exponent(p, ',', 20, 10, value); };
    render_integer(p, 5, static_cast<std::int64_t>(j) + 1);
    p += 5;
    for (const std::int32_t node : {a, b}) {
      const std::size_t i = static_cast<std::size_t>(node - 1);
      integer(node);
      real(step.node_x[i] + step.node_result[i * 4 + 0]);
      real(step.node_y[i] + step.node_result[i * 4 + 1]);
      real(step.node_z[i] + step.node_result[i * 4 + 2]);
    }
    integer(d);
    // Directions 1..3 select the x, y or z displacement; any other code has no
    // displacement of its own and shows 0.0.
    double displacement = 0.0;
    if (d >= 1 && d <= 3) {
      const std::size_t column = static_cast<std::size_t>(d - 1);
      displacement = step.node_result[static_cast<std::size_t>(b - 1) * 4 + column] -
                     step.node_result[static_cast<std::size_t>(a - 1) * 4 + column];
    }
    real(displacement);
    real(springs.spring_stiffness[j]);
    real(springs.spring_deflection[j]);
    real(springs.spring_force[j]);
    out.write_record(std::string_view(row, row_width));
  }
}

}  // namespace meridian
