#pragma once
// Layouts: a fixed-column record description such as
// "(E20.13,2(1X,E20.13),3(1X,I1),3(1X,I1),4(1X,E20.13))", parsed once into a flat
// program of fields. Writing or reading more values than the layout holds ends
// the record and restarts the layout at its last top-level group (with that
// group's repeat count) or, when it has none, at its start. When the values run
// out, the record ends after the last data field used: trailing X fields and
// unused fields produce nothing.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "records/record_streams.hpp"

namespace meridian {

struct LayoutField {
  char kind = 'X';  // 'I', 'E', 'F', 'A' or 'X'
  int width = 0;
  int digits = 0;   // d of Ew.d and Fw.d
};

class Layout {
 public:
  // Throws std::invalid_argument for a malformed layout text (a programming error:
  // all layouts are constants of the program).
  explicit Layout(std::string_view text);

  const std::vector<LayoutField>& fields() const { return fields_; }
  std::size_t reuse_index() const { return reuse_index_; }
  // Width of one full pass over the layout, in columns.
  int record_width() const;

 private:
  std::vector<LayoutField> fields_;
  std::size_t reuse_index_ = 0;
};

// A value to write: an integer, a real or a text of its declared length (all its
// characters count, trailing blanks included).
using FieldValue = std::variant<std::int64_t, double, std::string_view>;

// Renders one data field (I, E, F or A) in its `field.width` columns at `out`;
// a value of another kind than the field's is a programming error
// (std::invalid_argument).
void render_field(char* out, const LayoutField& field, const FieldValue& value);

// Renders the values into one or more records (without line ends), in order.
std::vector<std::string> render_records(const Layout& layout, std::span<const FieldValue> values);
// Renders and writes the records to `out`.
void write_record(RecordSink& out, const Layout& layout, std::span<const FieldValue> values);
void write_record(RecordSink& out, const Layout& layout, std::initializer_list<FieldValue> values);

// A target to read into. A text target receives the field's characters: when the
// text's declared length (its current size) is longer than the field, the field
// fills its start and the rest is blanks; when shorter, it receives the field's
// last characters.
struct TextTarget {
  std::string* text;
  std::size_t length;
};
using FieldTarget = std::variant<std::int32_t*, double*, TextTarget>;

// Reads one or more records into the targets. Returns false when the file ends
// before the first record; end of file in a later record, or a field that does
// not convert, ends the run with a message naming the file, line and columns.
bool read_record(RecordSource& in, const Layout& layout, std::span<const FieldTarget> targets);
// As read_record, but end of file ends the run ("end of file while reading <what>").
void require_record(RecordSource& in, const Layout& layout, std::span<const FieldTarget> targets,
                    std::string_view what);

// Ends the run on a field that does not convert, naming the file, the line,
// the columns and the text: cannot read <kind> from "<field>" (columns a-b)
// (a FieldError).
[[noreturn]] void fail_conversion(const RecordSource& in, const char* kind, std::string_view field,
                                  int column, int width);
// The text of that message, without the file and line.
std::string conversion_failure(const char* kind, std::string_view field, int column, int width);

// Parses one already-read record into targets (no layout reuse: targets beyond the
// layout are an error). Conversion failures name `in`'s current line.
void parse_record(const RecordSource& in, std::string_view record, const Layout& layout,
                  std::span<const FieldTarget> targets);

}  // namespace meridian
