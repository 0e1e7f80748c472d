#include "model/step_store.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/platform.hpp"
#include "records/fatal.hpp"

namespace meridian {

namespace {

constexpr const char* store_name = "temporary step file";

// Doubles kept per node and step: 4 nodal printout values, 7 nodal stresses.
constexpr std::size_t values_per_node = 4 + 7;

}  // namespace

StepStore::StepStore(std::int32_t node_capacity)
    : node_capacity_(std::max<std::int32_t>(node_capacity, 0)) {}

StepStore::StepStore(StepStore&& other) noexcept
    : node_capacity_(other.node_capacity_),
      step_count_(other.step_count_),
      tail_(other.tail_),
      file_(std::exchange(other.file_, nullptr)) {
  other.step_count_ = 0;
}

StepStore& StepStore::operator=(StepStore&& other) noexcept {
  if (this != &other) {
    if (file_ != nullptr) std::fclose(file_);
    node_capacity_ = other.node_capacity_;
    step_count_ = std::exchange(other.step_count_, 0);
    tail_ = other.tail_;
    file_ = std::exchange(other.file_, nullptr);
  }
  return *this;
}

StepStore::~StepStore() {
  if (file_ != nullptr) std::fclose(file_);
}

std::uint64_t StepStore::step_bytes() const {
  return (static_cast<std::uint64_t>(node_capacity_) * values_per_node + tail_.total()) *
         sizeof(double);
}

void StepStore::write(std::span<const double> values) {
  if (values.empty()) return;  // (no table: fwrite takes no null pointer)
  if (std::fwrite(values.data(), sizeof(double), values.size(), file_) != values.size()) {
    fail_file(store_name, "cannot write (is the temporary directory full?)");
  }
}

void StepStore::read(std::span<double> values) const {
  if (values.empty()) return;
  if (std::fread(values.data(), sizeof(double), values.size(), file_) != values.size()) {
    fail_file(store_name, "cannot read back a time step");
  }
}

void StepStore::append(const StepValues& step) {
  const auto nodes = static_cast<std::size_t>(node_capacity_);
  if (step.node_result.size() != nodes * 4 || step.node_stress.size() != nodes * 7) {
    throw std::invalid_argument("step tables do not match node_capacity");
  }
  const TailSizes tail{step.element_points.size(), step.element_peaks.size(),
                       step.spring_force.size()};
  if (step.spring_deflection.size() != tail.springs) {
    throw std::invalid_argument("spring tables of different sizes");
  }
  if (step_count_ == 0) {
    tail_ = tail;
  } else if (tail.element_points != tail_.element_points ||
             tail.element_peaks != tail_.element_peaks || tail.springs != tail_.springs) {
    throw std::invalid_argument("step tables do not match the first step's");
  }
  if (step_count_ == std::numeric_limits<std::int32_t>::max()) {
    fail_file(store_name, "too many time steps");
  }
  if (file_ == nullptr) {
    file_ = platform::anonymous_temporary_file();
    if (file_ == nullptr) fail_file(store_name, "cannot create the file");
  }
  // Steps are appended in order; a load() may have moved the position.
  if (!platform::seek(file_, 0, true)) fail_file(store_name, "cannot position the file");
  write(step.node_result);
  write(step.node_stress);
  const double peak[2] = {step.peak.value, static_cast<double>(step.peak.element)};
  write(peak);
  write(step.element_points);
  write(step.element_peaks);
  write(step.spring_deflection);
  write(step.spring_force);
  ++step_count_;
}

void StepStore::append(std::span<const double> node_result, std::span<const double> node_stress) {
  StepValues step;
  step.node_result.assign(node_result.begin(), node_result.end());
  step.node_stress.assign(node_stress.begin(), node_stress.end());
  step.element_points.resize(tail_.element_points);
  step.element_peaks.resize(tail_.element_peaks);
  step.spring_deflection.resize(tail_.springs);
  step.spring_force.resize(tail_.springs);
  append(step);
}

void StepStore::seek_step(std::int32_t step) const {
  if (step < 1 || step > step_count_) {
    throw std::out_of_range("StepStore::load: no such step");
  }
  if (std::fflush(file_) != 0)
    fail_file(store_name, "cannot write (is the temporary directory full?)");
  const std::uint64_t offset = static_cast<std::uint64_t>(step - 1) * step_bytes();
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    fail_file(store_name, "the file is too large to position");
  }
  if (!platform::seek(file_, static_cast<std::int64_t>(offset))) {
    fail_file(store_name, "cannot position the file");
  }
}

void StepStore::load(std::int32_t step, StepValues& values) const {
  seek_step(step);
  const auto nodes = static_cast<std::size_t>(node_capacity_);
  values.node_result.resize(nodes * 4);
  values.node_stress.resize(nodes * 7);
  values.element_points.resize(tail_.element_points);
  values.element_peaks.resize(tail_.element_peaks);
  values.spring_deflection.resize(tail_.springs);
  values.spring_force.resize(tail_.springs);
  read(values.node_result);
  read(values.node_stress);
  double peak[2] = {};
  read(peak);
  values.peak = StressPeak{peak[0], static_cast<std::int32_t>(peak[1])};
  read(values.element_points);
  read(values.element_peaks);
  read(values.spring_deflection);
  read(values.spring_force);
}

void StepStore::load(std::int32_t step, std::vector<double>& node_result,
                     std::vector<double>& node_stress) const {
  seek_step(step);
  const auto nodes = static_cast<std::size_t>(node_capacity_);
  node_result.resize(nodes * 4);
  node_stress.resize(nodes * 7);
  read(node_result);
  read(node_stress);
}

}  // namespace meridian
