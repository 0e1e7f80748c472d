#pragma once
// Per-step results kept between the forward read of the listing and the
// writers: for every step the nodal printout (4 values per node) and the
// averaged nodal stresses (7 values per node). They live in an unnamed
// temporary file, so memory does not grow with the number of steps.

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace meridian {

class StepStore {
 public:
  // node_capacity: rows of both per-step tables.
  explicit StepStore(std::int32_t node_capacity = 0);
  StepStore(StepStore&&) noexcept;
  StepStore& operator=(StepStore&&) noexcept;
  ~StepStore();

  std::int32_t node_capacity() const { return node_capacity_; }
  std::int32_t step_count() const { return step_count_; }

  // Appends the next step. node_result: node-major, node i's x-, y-, z-
  // displacement and temperature at (i-1)*4 + 0..3 (node_capacity*4 values).
  // node_stress: node-major, node i's XX, YY, ZZ, XY, YZ, ZX, MISES at
  // (i-1)*7 + 0..6 (node_capacity*7 values).
  void append(std::span<const double> node_result, std::span<const double> node_stress);
  // Loads step `step` (1-based) into the two tables (resized as needed).
  void load(std::int32_t step, std::vector<double>& node_result, std::vector<double>& node_stress) const;

 private:
  std::int32_t node_capacity_ = 0;
  std::int32_t step_count_ = 0;
  std::FILE* file_ = nullptr;
};

}  // namespace meridian
