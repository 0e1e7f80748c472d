#include "listing/element_printout.hpp"

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/platform.hpp"
#include "records/fields.hpp"
#include "records/layout.hpp"

namespace meridian {

void ElementPrintoutBatch::clear(std::int32_t first) {
  first_element = first;
  text.clear();
  row_end.clear();
  row_line.clear();
  // The values keep their storage: parsing sizes them for the rows and
  // overwrites every one it keeps.
  failure = RowFailure{};
  tail_failure = RowFailure{};
}

void ElementPrintoutBatch::add_row(std::string_view row, long line) {
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

// Parses rows [first, last) of the batch into `values` (sized for them).
void parse_rows(ElementPrintoutBatch& batch, std::size_t first, std::size_t last, RowFailure& failure) {
  std::uint32_t start = first == 0 ? 0 : batch.row_end[first - 1];
  for (std::size_t r = first; r < last; ++r) {
    const std::string_view row(batch.text.data() + start, batch.row_end[r] - start);
    start = batch.row_end[r];
    auto& point = batch.values[r / 8][r % 8];
    std::int32_t number = 0;
    // The row as the solver writes it, all fields at once; any other row
    // field by field, which also names the first field that does not convert.
    if (row.size() >= 95 && parse_integer(row.substr(0, 7), number) &&
        parse_written_exponents(row.substr(18), 7, 11, 3, point.data())) [[likely]] {
      continue;
    }
    std::string_view field = columns(row, 0, 7);
    if (!parse_integer(field, number)) [[unlikely]] {
      failure = RowFailure{batch.row_line[r], conversion_failure("an integer", field, 0, 7)};
      return;
    }
    for (int c = 0; c < 7; ++c) {
      const int column = 18 + 11 * c;
      field = columns(row, column, 11);
      double& value = point[static_cast<std::size_t>(c)];
      if (!parse_real(field, 3, value)) [[unlikely]] {
        failure = RowFailure{batch.row_line[r], conversion_failure("a real", field, column, 11)};
        return;
      }
      // An exponent too large for a double reads as infinity, which no
      // result may hold.
      if (!std::isfinite(value)) [[unlikely]] {
        failure = RowFailure{batch.row_line[r], conversion_failure("a finite real", field, column, 11)};
        return;
      }
    }
  }
}

}  // namespace

void parse_element_printout(ElementPrintoutBatch& batch) {
  // An element whose rows were cut short by the end of the listing is parsed
  // as far as it goes.
  const std::size_t rows = batch.row_line.size();
  batch.values.resize((rows + 7) / 8);
  parse_rows(batch, 0, rows, batch.failure);
}

void parse_element_printout(ElementPrintoutBatch& batch, std::size_t first, std::size_t last,
                        RowFailure& failure) {
  parse_rows(batch, first * 8, last * 8, failure);
}

// The helper thread and what it shares with the reader, guarded by `lock`.
struct ElementPrintoutParser::Helper {
  std::mutex lock;
  std::condition_variable changed;
  ElementPrintoutBatch* work = nullptr;  // handed over, not yet parsed
  std::size_t work_elements = 0;    // elements [0, work_elements) are the helper's
  bool parsed = false;              // `work` is parsed
  bool stop = false;
  std::thread thread;

  void run() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
      changed.wait(hold, [this] { return stop || (work != nullptr && !parsed); });
      if (stop) return;
      ElementPrintoutBatch* batch = work;
      const std::size_t elements = work_elements;
      hold.unlock();
      parse_element_printout(*batch, 0, elements, batch->failure);
      hold.lock();
      parsed = true;
      changed.notify_all();
    }
  }
};

ElementPrintoutParser::ElementPrintoutParser(bool use_helper) {
  batches_[0].clear(0);
  batches_[1].clear(0);
  if (!use_helper) return;
  auto helper = std::make_unique<Helper>();
  try {
    // The helper thread does not take the interrupt signals.
    const platform::InterruptsDeferred deferred;
    helper->thread = std::thread([raw = helper.get()] { raw->run(); });
  } catch (const std::system_error&) {
    return;  // no thread: the batches are parsed here
  }
  helper_ = std::move(helper);
}

ElementPrintoutParser::~ElementPrintoutParser() {
  if (!helper_) return;
  {
    const std::lock_guard<std::mutex> hold(helper_->lock);
    helper_->stop = true;
  }
  helper_->changed.notify_all();
  helper_->thread.join();
}

ElementPrintoutBatch& ElementPrintoutParser::filling() { return batches_[filling_]; }

ElementPrintoutBatch* ElementPrintoutParser::finish() {
  if (!outstanding_) return nullptr;
  outstanding_ = false;
  ElementPrintoutBatch& batch = batches_[1 - filling_];
  if (helper_) {
    std::unique_lock<std::mutex> hold(helper_->lock);
    helper_->changed.wait(hold, [this] { return helper_->parsed; });
    helper_->work = nullptr;
    helper_->parsed = false;
    // The helper's part comes first in the listing.
    if (batch.failure.line == 0) batch.failure = std::move(batch.tail_failure);
  }
  return &batch;
}

ElementPrintoutBatch* ElementPrintoutParser::hand_over() {
  ElementPrintoutBatch* previous = finish();
  ElementPrintoutBatch& batch = batches_[filling_];
  if (helper_) {
    const std::size_t elements = batch.element_count();
    const std::size_t split = elements - elements / own_share_divisor;
    batch.values.resize(elements);
    {
      const std::lock_guard<std::mutex> hold(helper_->lock);
      helper_->work = &batch;
      helper_->work_elements = split;
      helper_->parsed = false;
    }
    helper_->changed.notify_all();
    parse_element_printout(batch, split, elements, batch.tail_failure);
  } else {
    parse_element_printout(batch);
  }
  outstanding_ = true;
  filling_ = 1 - filling_;
  return previous;
}


}  // namespace meridian
