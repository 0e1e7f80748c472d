#pragma once
// The rows of an element printout, parsed on a second thread while the reader
// reads on.
//
// The reader copies the 8 integration-point rows of each element, with their
// line numbers, into a batch; a full batch is handed to a helper thread, which
// parses every field while the reader fills the next batch. The reader then
// takes the parsed batches back in order and adds them to the nodal sums, so
// the sums are formed in the same order, and a row that does not convert is
// reported as the first failing row in file order, as a reading in one thread
// reports it. Without a second CPU the batches are parsed on the reader's own
// thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/nodal_stress.hpp"

namespace meridian {

// The first row of a part of a batch that does not convert: its line (0 when
// every row did) and what was wrong with it.
struct RowFailure {
  long line = 0;
  std::string what;
};

struct ElementPrintoutBatch {
  std::int32_t first_element = 0;       // element number of the first element
  std::string text;                     // the rows, back to back
  std::vector<std::uint32_t> row_end;   // end of each row in `text`
  std::vector<long> row_line;           // line number of each row
  std::vector<ElementPrintout> values;  // per element, once parsed
  RowFailure failure;                   // the batch's first row that does not convert
  RowFailure tail_failure;              // that of the part parsed beside the helper

  void clear(std::int32_t first);
  void add_row(std::string_view row, long line);
  std::size_t element_count() const { return row_line.size() / 8; }
};

// Parses the rows of elements [first, last) of the batch (I7, A11, 7E11.3; the
// point number is read and not used) into `values` (already sized), up to the
// first row that does not convert.
void parse_element_printout(ElementPrintoutBatch& batch, std::size_t first, std::size_t last,
                        RowFailure& failure);
// Parses every row of the batch, an element cut short by the end of the
// listing as far as its rows go.
void parse_element_printout(ElementPrintoutBatch& batch);

class ElementPrintoutParser {
 public:
  // Elements per batch.
  static constexpr std::size_t batch_elements = 1024;
  // Of every batch the helper parses, this thread parses the last
  // 1/own_share_divisor itself (the helper has the more work otherwise).
  static constexpr std::size_t own_share_divisor = 8;

  explicit ElementPrintoutParser(bool use_helper);
  ~ElementPrintoutParser();
  ElementPrintoutParser(const ElementPrintoutParser&) = delete;
  ElementPrintoutParser& operator=(const ElementPrintoutParser&) = delete;

  // The batch the reader fills.
  ElementPrintoutBatch& filling();
  // Hands the filled batch over to be parsed and returns the batch handed
  // over before it, parsed, or null when there is none. The returned batch
  // stays valid until the next call.
  ElementPrintoutBatch* hand_over();
  // Waits for the batch handed over last and returns it parsed (null when
  // none is outstanding).
  ElementPrintoutBatch* finish();

 private:
  struct Helper;
  ElementPrintoutBatch batches_[2];
  int filling_ = 0;            // index of the batch being filled
  bool outstanding_ = false;   // the other batch is handed over and not yet taken back
  std::unique_ptr<Helper> helper_;
};


}  // namespace meridian
