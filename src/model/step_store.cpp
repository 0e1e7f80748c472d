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
      file_(std::exchange(other.file_, nullptr)) {
  other.step_count_ = 0;
}

StepStore& StepStore::operator=(StepStore&& other) noexcept {
  if (this != &other) {
    if (file_ != nullptr) std::fclose(file_);
    node_capacity_ = other.node_capacity_;
    step_count_ = std::exchange(other.step_count_, 0);
    file_ = std::exchange(other.file_, nullptr);
  }
  return *this;
}

StepStore::~StepStore() {
  if (file_ != nullptr) std::fclose(file_);
}

void StepStore::append(std::span<const double> node_result, std::span<const double> node_stress) {
  const auto nodes = static_cast<std::size_t>(node_capacity_);
  if (node_result.size() != nodes * 4 || node_stress.size() != nodes * 7) {
    throw std::invalid_argument("step tables do not match node_capacity");
  }
  if (step_count_ == std::numeric_limits<std::int32_t>::max()) {
    fail_file(store_name, "too many time steps");
  }
  if (nodes > 0) {
    if (file_ == nullptr) {
      file_ = platform::anonymous_temporary_file();
      if (file_ == nullptr) fail_file(store_name, "cannot create the file");
    }
    // Steps are appended in order; a load() may have moved the position.
    if (!platform::seek(file_, 0, true)) fail_file(store_name, "cannot position the file");
    if (std::fwrite(node_result.data(), sizeof(double), node_result.size(), file_) !=
            node_result.size() ||
        std::fwrite(node_stress.data(), sizeof(double), node_stress.size(), file_) !=
            node_stress.size()) {
      fail_file(store_name, "cannot write (is the temporary directory full?)");
    }
  }
  ++step_count_;
}

void StepStore::load(std::int32_t step, std::vector<double>& node_result,
                     std::vector<double>& node_stress) const {
  if (step < 1 || step > step_count_) {
    throw std::out_of_range("StepStore::load: no such step");
  }
  const auto nodes = static_cast<std::size_t>(node_capacity_);
  node_result.resize(nodes * 4);
  node_stress.resize(nodes * 7);
  if (nodes == 0) return;
  if (std::fflush(file_) != 0)
    fail_file(store_name, "cannot write (is the temporary directory full?)");
  const auto step_bytes = static_cast<unsigned long long>(nodes) * values_per_node * sizeof(double);
  const auto offset = static_cast<unsigned long long>(step - 1) * step_bytes;
  if (offset > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max())) {
    fail_file(store_name, "the file is too large to position");
  }
  if (!platform::seek(file_, static_cast<std::int64_t>(offset))) {
    fail_file(store_name, "cannot position the file");
  }
  if (std::fread(node_result.data(), sizeof(double), node_result.size(), file_) !=
          node_result.size() ||
      std::fread(node_stress.data(), sizeof(double), node_stress.size(), file_) !=
          node_stress.size()) {
    fail_file(store_name, "cannot read back a time step");
  }
}

}  // namespace meridian
