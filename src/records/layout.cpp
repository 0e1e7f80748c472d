#include "records/layout.hpp"

#include <cctype>
#include <stdexcept>
#include <string>

#include "records/fatal.hpp"
#include "records/fields.hpp"

namespace meridian {
namespace {

// Bounds of a layout's flat program: a record of one pass fits an int column
// count, and repeated groups cannot multiply into an unbounded program.
constexpr std::size_t max_layout_fields = 100000;
constexpr std::int64_t max_layout_width = 10'000'000;
constexpr int max_layout_depth = 64;

// Recursive-descent reading of a layout text into a flat list of fields. Blanks
// and tabs carry no meaning; the comma after a closing bracket may be left out,
// and letters may be in either case.
class LayoutParser {
 public:
  explicit LayoutParser(std::string_view text) : text_(text) {}

  void parse(std::vector<LayoutField>& fields, std::size_t& reuse_index) {
    skip_blanks();
    expect('(');
    parse_items(fields, /*top_level=*/true, reuse_index);
    expect(')');
    skip_blanks();
    if (at_ < text_.size()) fail("text after the closing bracket");
  }

 private:
  void parse_items(std::vector<LayoutField>& fields, bool top_level, std::size_t& reuse_index) {
    for (;;) {
      skip_blanks();
      if (peek() == ')') return;
      int count = 1;
      bool counted = false;
      if (std::isdigit(static_cast<unsigned char>(peek()))) {
        count = number();
        counted = true;
        skip_blanks();
      }
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(peek())));
      if (c == '(') {
        ++at_;
        const std::size_t group_start = fields.size();
        std::vector<LayoutField> group;
        std::size_t inner_reuse = 0;
        if (++depth_ > max_layout_depth) fail("groups nested too deeply");
        parse_items(group, false, inner_reuse);
        --depth_;
        expect(')');
        if (top_level) reuse_index = group_start;
        require_room(fields.size(), group.size(), count);
        for (int i = 0; i < count; ++i) fields.insert(fields.end(), group.begin(), group.end());
      } else if (c == 'X') {
        ++at_;
        fields.push_back({'X', counted ? count : 1, 0});
      } else if (c == 'I' || c == 'A' || c == 'E' || c == 'F') {
        ++at_;
        skip_blanks();
        LayoutField field{c, number(), 0};
        skip_blanks();
        if (c == 'E' || c == 'F') {
          expect('.');
          skip_blanks();
          field.digits = number();
        }
        require_room(fields.size(), 1, count);
        for (int i = 0; i < count; ++i) fields.push_back(field);
      } else {
        fail("unknown field");
      }
      skip_blanks();
      if (peek() == ',') ++at_;
    }
  }

  int number() {
    if (!std::isdigit(static_cast<unsigned char>(peek()))) fail("a number was expected");
    int value = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) {
      value = value * 10 + (text_[at_++] - '0');
      if (value > 100000) fail("number too large");
    }
    return value;
  }
  // Repeated groups multiply: the flat program is refused beyond max_layout_fields.
  void require_room(std::size_t size, std::size_t group_size, int count) const {
    if (group_size != 0 &&
        static_cast<std::size_t>(count) > (max_layout_fields - size) / group_size) {
      fail("more than " + std::to_string(max_layout_fields) + " fields");
    }
  }
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  void skip_blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }
  void expect(char c) {
    skip_blanks();
    if (peek() != c) fail(std::string("'") + c + "' was expected");
    ++at_;
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw std::invalid_argument("layout \"" + std::string(text_) + "\": " + what + " at column " +
                                std::to_string(at_ + 1));
  }

  std::string_view text_;
  std::size_t at_ = 0;
  int depth_ = 0;  // groups open around the current item
};

bool is_data(const LayoutField& field) { return field.kind != 'X'; }

// Values or targets given to a layout without data fields (a programming error).
[[noreturn]] void no_data_field(const Layout& layout) {
  throw std::invalid_argument("a layout of " + std::to_string(layout.fields().size()) +
                              " fields has no data field for the values");
}

// Columns of one pass over a layout, in 64 bits (each field is at most 100000
// wide; there are at most max_layout_fields).
std::int64_t pass_width(const std::vector<LayoutField>& fields) {
  std::int64_t width = 0;
  for (const LayoutField& field : fields) width += field.width;
  return width;
}

// Parses one field of `record` at `column` into `target`.
void parse_field(const RecordSource& in, std::string_view record, const LayoutField& field, int column,
                 const FieldTarget& target) {
  std::string_view slice;
  if (static_cast<std::size_t>(column) < record.size()) {
    slice = record.substr(static_cast<std::size_t>(column), static_cast<std::size_t>(field.width));
  }
  if (auto* integer = std::get_if<std::int32_t*>(&target)) {
    if (field.kind != 'I') throw std::invalid_argument("integer target for a non-I field");
    if (!parse_integer(slice, **integer)) fail_conversion(in, "an integer", slice, column, field.width);
  } else if (auto* real = std::get_if<double*>(&target)) {
    if (field.kind != 'E' && field.kind != 'F') {
      throw std::invalid_argument("real target for a non-E/F field");
    }
    if (!parse_real(slice, field.digits, **real)) fail_conversion(in, "a real", slice, column, field.width);
  } else {
    const TextTarget& text = std::get<TextTarget>(target);
    if (field.kind != 'A') throw std::invalid_argument("text target for a non-A field");
    // The field's characters, blank-padded to its width.
    std::string characters(slice);
    characters.resize(static_cast<std::size_t>(field.width), ' ');
    if (text.length >= characters.size()) {
      characters.resize(text.length, ' ');
      *text.text = std::move(characters);
    } else {
      *text.text = characters.substr(characters.size() - text.length);
    }
  }
}

}  // namespace

[[noreturn]] void fail_conversion(const RecordSource& in, const char* kind, std::string_view field,
                                  int column, int width) {
  fail_field(in.name(), in.line_number(), conversion_failure(kind, field, column, width));
}

std::string conversion_failure(const char* kind, std::string_view field, int column, int width) {
  std::string what = "cannot read ";
  what += kind;
  what += " from \"";
  what += field;
  what += "\" (columns ";
  what += std::to_string(column + 1);
  what += '-';
  what += std::to_string(column + width);
  what += ')';
  return what;
}

Layout::Layout(std::string_view text) {
  LayoutParser(text).parse(fields_, reuse_index_);
  bool has_data = false;
  for (std::size_t i = reuse_index_; i < fields_.size(); ++i) has_data = has_data || is_data(fields_[i]);
  if (!has_data) reuse_index_ = 0;
  if (pass_width(fields_) > max_layout_width) {
    throw std::invalid_argument("layout \"" + std::string(text) + "\": wider than " +
                                std::to_string(max_layout_width) + " columns");
  }
}

int Layout::record_width() const {
  int width = 0;
  for (const LayoutField& field : fields_) width += field.width;
  return width;
}

void render_field(char* out, const LayoutField& field, const FieldValue& value) {
  switch (field.kind) {
    case 'I':
      if (auto* integer = std::get_if<std::int64_t>(&value)) {
        render_integer(out, field.width, *integer);
        return;
      }
      throw std::invalid_argument("I field given a non-integer value");
    case 'E':
    case 'F':
      if (auto* real = std::get_if<double>(&value)) {
        if (field.kind == 'E') {
          render_exponent(out, field.width, field.digits, *real);
        } else {
          render_fixed(out, field.width, field.digits, *real);
        }
        return;
      }
      throw std::invalid_argument("E/F field given a non-real value");
    default:
      if (auto* text = std::get_if<std::string_view>(&value)) {
        render_text(out, field.width, *text);
        return;
      }
      throw std::invalid_argument("A field given a non-text value");
  }
}

std::vector<std::string> render_records(const Layout& layout, std::span<const FieldValue> values) {
  std::vector<std::string> records(1);
  const auto& fields = layout.fields();
  std::size_t index = 0;
  for (const FieldValue& value : values) {
    bool restarted = false;
    for (;;) {
      if (index == fields.size()) {
        // Values remain after the last data field: a new record begins. The
        // reused part holds a data field whenever the layout has one, so a
        // second restart for one value means it has none.
        if (restarted || fields.empty()) no_data_field(layout);
        restarted = true;
        records.emplace_back();
        index = layout.reuse_index();
      }
      const LayoutField& field = fields[index++];
      std::string& record = records.back();
      const std::size_t at = record.size();
      record.resize(at + static_cast<std::size_t>(field.width), ' ');
      if (field.kind == 'X') continue;
      render_field(record.data() + at, field, value);
      break;
    }
  }
  return records;
}

void write_record(RecordSink& out, const Layout& layout, std::span<const FieldValue> values) {
  for (const std::string& record : render_records(layout, values)) out.write_record(record);
}

void write_record(RecordSink& out, const Layout& layout, std::initializer_list<FieldValue> values) {
  write_record(out, layout, std::span<const FieldValue>(values.begin(), values.size()));
}

namespace {

// Parses the targets from `record` in layout order. When the layout is used up
// and targets remain, `continue_record(record)` supplies the next record (or
// refuses) and the layout restarts at its reuse point.
template <class ContinueRecord>
void parse_targets(const RecordSource& in, std::string_view record, const Layout& layout,
                   std::span<const FieldTarget> targets, ContinueRecord continue_record) {
  const auto& fields = layout.fields();
  std::size_t index = 0;
  int column = 0;
  for (const FieldTarget& target : targets) {
    bool restarted = false;
    for (;;) {
      if (index == fields.size()) {
        if (restarted || fields.empty()) no_data_field(layout);
        restarted = true;
        continue_record(record);
        index = layout.reuse_index();
        column = 0;
      }
      const LayoutField& field = fields[index++];
      if (field.kind == 'X') {
        column += field.width;
        continue;
      }
      parse_field(in, record, field, column, target);
      column += field.width;
      break;
    }
  }
}

}  // namespace

bool read_record(RecordSource& in, const Layout& layout, std::span<const FieldTarget> targets) {
  std::string_view record;
  if (!in.next_line(record)) return false;
  parse_targets(in, record, layout, targets,
                [&in](std::string_view& next) { next = in.require_line("a continued record"); });
  return true;
}

void require_record(RecordSource& in, const Layout& layout, std::span<const FieldTarget> targets,
                    std::string_view what) {
  if (!read_record(in, layout, targets)) {
    fail_line(in.name(), in.line_number() + 1, "end of file while reading " + std::string(what));
  }
}

void parse_record(const RecordSource& in, std::string_view record, const Layout& layout,
                  std::span<const FieldTarget> targets) {
  parse_targets(in, record, layout, targets, [](std::string_view&) {
    throw std::invalid_argument("more targets than the layout holds");
  });
}

}  // namespace meridian
