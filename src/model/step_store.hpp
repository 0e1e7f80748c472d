#pragma once
// Per-step results kept between the forward read of the listing and the
// writers: for every step its StepValues (the nodal printout, the averaged
// nodal stresses, the integration-point peak, the kept element values and
// the springs' printout). They live in an unnamed temporary file, so memory
// does not grow with the number of steps.

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "model/step_values.hpp"

namespace meridian {

class StepStore {
 public:
  // node_capacity: rows of both nodal tables.
  explicit StepStore(std::int32_t node_capacity = 0);
  StepStore(StepStore&&) noexcept;
  StepStore& operator=(StepStore&&) noexcept;
  ~StepStore();

  std::int32_t node_capacity() const { return node_capacity_; }
  std::int32_t step_count() const { return step_count_; }

  // Appends the next step. Its node_result holds node_capacity*4 values,
  // its node_stress node_capacity*7; the other tables have the sizes of the
  // first step's.
  void append(const StepValues& step);
  // The same for a step of nodal tables alone.
  void append(std::span<const double> node_result, std::span<const double> node_stress);
  // Loads step `step` (1-based), every table resized as needed.
  void load(std::int32_t step, StepValues& values) const;
  // Loads the nodal tables of step `step` alone.
  void load(std::int32_t step, std::vector<double>& node_result, std::vector<double>& node_stress) const;

 private:
  // The doubles of a step's tables after the nodal ones, in the order they
  // are kept: the peak (value, element), element points, element peaks,
  // spring deflections, spring forces.
  struct TailSizes {
    std::size_t element_points = 0, element_peaks = 0, springs = 0;
    std::size_t total() const { return 2 + element_points + element_peaks + 2 * springs; }
  };
  std::uint64_t step_bytes() const;
  void seek_step(std::int32_t step) const;
  void write(std::span<const double> values);
  void read(std::span<double> values) const;

  std::int32_t node_capacity_ = 0;
  std::int32_t step_count_ = 0;
  TailSizes tail_;
  std::FILE* file_ = nullptr;
};

}  // namespace meridian
