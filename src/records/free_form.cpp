#include "records/free_form.hpp"

#include <string>

#include "records/fatal.hpp"
#include "records/fields.hpp"

namespace meridian {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One value of a free-form record: its text, whether it was quoted, and how
// many targets it stands for (r*c), or a null value (r* or an empty value
// between commas) that leaves its targets unchanged.
struct FreeItem {
  std::string text;
  int repeat = 1;
  bool null = false;
  bool slash = false;  // the read ends here
};

// Scans the values of one record in order.
class RecordScanner {
 public:
  explicit RecordScanner(std::string_view record) : record_(record) {}

  // Next value; false when the record holds no more.
  bool next(FreeItem& item) {
    item = FreeItem{};
    skip_blanks();
    if (at_ >= record_.size()) return false;
    const char c = record_[at_];
    if (c == '/') {
      item.slash = true;
      at_ = record_.size();
      return true;
    }
    if (c == ',') {
      // A comma where a value should stand: a null value. A comma that only
      // closes the previous value was consumed with that value.
      ++at_;
      item.null = true;
      return true;
    }
    if (c == '\'' || c == '"') {
      item.text = quoted(c);
    } else {
      const std::size_t start = at_;
      while (at_ < record_.size() && !is_blank(record_[at_]) && record_[at_] != ',' &&
             record_[at_] != '/') {
        ++at_;
      }
      std::string_view token = record_.substr(start, at_ - start);
      // r*c or r*: a repeat count of digits before an asterisk.
      std::size_t digits = 0;
      while (digits < token.size() && is_digit(token[digits])) ++digits;
      if (digits > 0 && digits < token.size() && token[digits] == '*') {
        long repeat = 0;
        for (std::size_t i = 0; i < digits && repeat < 1000000; ++i) repeat = repeat * 10 + (token[i] - '0');
        item.repeat = static_cast<int>(repeat);
        token.remove_prefix(digits + 1);
        if (token.empty()) {
          item.null = true;
        } else if (token[0] == '\'' || token[0] == '"') {
          // r*'text': the quoted text starts inside the token.
          at_ = start + digits + 1;
          item.text = quoted(token[0]);
        }
        if (!item.null && item.text.empty()) item.text = std::string(token);
      } else {
        item.text = std::string(token);
      }
    }
    // The separator after a value: blanks, then at most one comma.
    skip_blanks();
    if (at_ < record_.size() && record_[at_] == ',') ++at_;
    return true;
  }

 private:
  std::string quoted(char quote) {
    std::string text;
    ++at_;
    while (at_ < record_.size()) {
      const char c = record_[at_++];
      if (c == quote) {
        if (at_ < record_.size() && record_[at_] == quote) {
          text += quote;  // a doubled quote stands for itself
          ++at_;
          continue;
        }
        break;
      }
      text += c;
    }
    return text;
  }
  void skip_blanks() {
    while (at_ < record_.size() && is_blank(record_[at_])) ++at_;
  }

  std::string_view record_;
  std::size_t at_ = 0;
};

void assign(const RecordSource& in, const FreeItem& item, const FieldTarget& target) {
  if (auto* integer = std::get_if<std::int32_t*>(&target)) {
    bool ok = !item.text.empty();
    for (const char c : item.text) ok = ok && c != ' ';
    if (!ok || !parse_integer(item.text, **integer)) {
      in.fail_here("cannot read an integer from \"" + item.text + "\"");
    }
  } else if (auto* real = std::get_if<double*>(&target)) {
    bool ok = !item.text.empty();
    for (const char c : item.text) ok = ok && c != ' ';
    if (!ok || !parse_real(item.text, 0, **real)) {
      in.fail_here("cannot read a real from \"" + item.text + "\"");
    }
  } else {
    const TextTarget& text = std::get<TextTarget>(target);
    std::string value = item.text;
    value.resize(text.length, ' ');
    *text.text = std::move(value);
  }
}

}  // namespace

std::string render_free(std::span<const FreeValue> values) {
  std::string record;
  if (values.empty()) return " ";
  for (const FreeValue& value : values) {
    if (auto* text = std::get_if<std::string_view>(&value)) {
      if (record.empty()) record += ' ';
      record += *text;
    } else {
      char field[12];
      render_integer(field, 12, std::get<std::int64_t>(value));
      record.append(field, 12);
    }
  }
  return record;
}

void write_free(RecordSink& out, std::initializer_list<FreeValue> values) {
  out.write_record(render_free(std::span<const FreeValue>(values.begin(), values.size())));
}

ReadStatus read_free(RecordSource& in, std::span<const FieldTarget> targets) {
  std::string_view record;
  if (!in.next_line(record)) return ReadStatus::end_of_file;
  std::size_t next_target = 0;
  std::string held(record);  // the scanner works on a copy: reading on replaces the view
  for (;;) {
    RecordScanner scanner(held);
    FreeItem item;
    while (next_target < targets.size() && scanner.next(item)) {
      if (item.slash) return ReadStatus::ok;
      for (int r = 0; r < item.repeat && next_target < targets.size(); ++r) {
        if (!item.null) assign(in, item, targets[next_target]);
        ++next_target;
      }
    }
    if (next_target >= targets.size()) return ReadStatus::ok;
    // Too few values on this record: the read goes on with the next one.
    if (!in.next_line(record)) return ReadStatus::end_of_file;
    held.assign(record);
  }
}

void require_free(RecordSource& in, std::span<const FieldTarget> targets, std::string_view what) {
  if (read_free(in, targets) == ReadStatus::end_of_file) {
    fail_line(in.name(), in.line_number() + 1, "end of file while reading " + std::string(what));
  }
}

}  // namespace meridian
