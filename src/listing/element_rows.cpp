#include "listing/element_rows.hpp"

#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "records/fields.hpp"
#include "records/layout.hpp"
#include "records/temporary_files.hpp"

namespace meridian {

void ElementRowBatch::clear(std::int32_t first) {
  first_element = first;
  text.clear();
  row_end.clear();
  row_line.clear();
  values.clear();
  failed_line = 0;
  failure.clear();
}

void ElementRowBatch::add_row(std::string_view row, long line) {
  text.append(row);
  row_end.push_back(static_cast<std::uint32_t>(text.size()));
  row_line.push_back(line);
}

namespace {

// Columns [column, column + width) of a row; shorter rows read as blanks.
std::string_view columns(std::string_view row, int column, int width) {
  if (static_cast<std::size_t>(column) >= row.size()) return {};
  return row.substr(static_cast<std::size_t>(column), static_cast<std::size_t>(width));
}

}  // namespace

void parse_element_rows(ElementRowBatch& batch) {
  const std::size_t elements = batch.element_count();
  batch.values.resize(elements);
  std::uint32_t start = 0;
  for (std::size_t r = 0; r < batch.row_line.size(); ++r) {
    const std::string_view row(batch.text.data() + start, batch.row_end[r] - start);
    start = batch.row_end[r];
    auto& point = batch.values[r / 8][r % 8];
    std::int32_t number = 0;
    std::string_view field = columns(row, 0, 7);
    if (!parse_integer(field, number)) [[unlikely]] {
      batch.failed_line = batch.row_line[r];
      batch.failure = conversion_failure("an integer", field, 0, 7);
      return;
    }
    for (int c = 0; c < 7; ++c) {
      const int column = 18 + 11 * c;
      field = columns(row, column, 11);
      if (!parse_real(field, 3, point[static_cast<std::size_t>(c)])) [[unlikely]] {
        batch.failed_line = batch.row_line[r];
        batch.failure = conversion_failure("a real", field, column, 11);
        return;
      }
    }
  }
}

// The helper thread and what it shares with the reader, guarded by `lock`.
struct ElementRowParser::Helper {
  std::mutex lock;
  std::condition_variable changed;
  ElementRowBatch* work = nullptr;  // handed over, not yet parsed
  bool parsed = false;              // `work` is parsed
  bool stop = false;
  std::thread thread;

  void run() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
      changed.wait(hold, [this] { return stop || (work != nullptr && !parsed); });
      if (stop) return;
      ElementRowBatch* batch = work;
      hold.unlock();
      parse_element_rows(*batch);
      hold.lock();
      parsed = true;
      changed.notify_all();
    }
  }
};

ElementRowParser::ElementRowParser(bool use_helper) {
  batches_[0].clear(0);
  batches_[1].clear(0);
  if (!use_helper) return;
  auto helper = std::make_unique<Helper>();
  try {
    // The helper thread does not take the interrupt signals.
    const InterruptsBlocked blocked;
    helper->thread = std::thread([raw = helper.get()] { raw->run(); });
  } catch (const std::system_error&) {
    return;  // no thread: the batches are parsed here
  }
  helper_ = std::move(helper);
}

ElementRowParser::~ElementRowParser() {
  if (!helper_) return;
  {
    const std::lock_guard<std::mutex> hold(helper_->lock);
    helper_->stop = true;
  }
  helper_->changed.notify_all();
  helper_->thread.join();
}

ElementRowBatch& ElementRowParser::filling() { return batches_[filling_]; }

ElementRowBatch* ElementRowParser::finish() {
  if (!outstanding_) return nullptr;
  outstanding_ = false;
  ElementRowBatch& batch = batches_[1 - filling_];
  if (helper_) {
    std::unique_lock<std::mutex> hold(helper_->lock);
    helper_->changed.wait(hold, [this] { return helper_->parsed; });
    helper_->work = nullptr;
    helper_->parsed = false;
  }
  return &batch;
}

ElementRowBatch* ElementRowParser::hand_over() {
  ElementRowBatch* previous = finish();
  ElementRowBatch& batch = batches_[filling_];
  if (helper_) {
    {
      const std::lock_guard<std::mutex> hold(helper_->lock);
      helper_->work = &batch;
      helper_->parsed = false;
    }
    helper_->changed.notify_all();
  } else {
    parse_element_rows(batch);
  }
  outstanding_ = true;
  filling_ = 1 - filling_;
  return previous;
}

int usable_cpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
}

}  // namespace meridian
