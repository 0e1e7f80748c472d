// Fuzz harness: free-form input, layouts and runs of written fields. The first
// byte chooses the part.
//  - free-form: the next bytes choose up to 8 targets (integers, reals, texts
//    of lengths 1..20); the rest is a file read free-form record by record
//    until it ends, each read's values rendered back free-form.
//  - layouts: the first line is a layout text (a malformed one is refused with
//    std::invalid_argument); values of the fields' kinds are rendered into
//    records, and the remaining lines are read back with the layout.
//  - written runs (first byte 2 mod 4): a width, digits and count, then text
//    read by the quick reader of written Ew.d fields and by the field reader.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "files/output_file.hpp"
#include "records/free_form.hpp"
#include "records/layout.hpp"

namespace {

using namespace meridian;

// Reads bytes from the front of the input.
struct Bytes {
  std::string_view rest;
  std::uint8_t take() {
    if (rest.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest.front());
    rest.remove_prefix(1);
    return byte;
  }
  template <typename T>
  T take_value() {
    unsigned char raw[sizeof(T)] = {};
    for (unsigned char& b : raw) b = take();
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
  }
};

void fuzz_free_form(Bytes bytes) {
  const std::size_t count = bytes.take() % 9;
  std::vector<std::uint8_t> kinds;
  for (std::size_t i = 0; i < count; ++i) kinds.push_back(bytes.take());
  std::vector<std::int32_t> integers(count, 0);
  std::vector<double> reals(count, 0.0);
  std::vector<std::string> texts(count);
  std::vector<FieldTarget> targets;
  for (std::size_t i = 0; i < count; ++i) {
    switch (kinds[i] % 3) {
      case 0:
        targets.emplace_back(&integers[i]);
        break;
      case 1:
        targets.emplace_back(&reals[i]);
        break;
      default: {
        const std::size_t length = kinds[i] / 3 % 20 + 1;
        texts[i].assign(length, ' ');
        targets.emplace_back(TextTarget{&texts[i], length});
        break;
      }
    }
  }
  InputFile in = InputFile::from_text("free.txt", std::string(bytes.rest));
  OutputFile out = OutputFile::in_memory("echo.txt");
  try {
    while (read_free(in, targets) == ReadStatus::ok) {
      std::vector<FreeValue> values;
      for (std::size_t i = 0; i < count; ++i) {
        if (kinds[i] % 3 == 0) values.emplace_back(std::int64_t{integers[i]});
        if (kinds[i] % 3 == 2) values.emplace_back(std::string_view(texts[i]));
      }
      out.write_record(render_free(values));
      if (targets.empty()) break;  // an empty read consumes no record
    }
  } catch (const FatalError&) {
  }
}

void fuzz_layout(Bytes bytes) {
  const std::size_t end = bytes.rest.find('\n');
  const std::string_view text = bytes.rest.substr(0, end);
  bytes.rest = end == std::string_view::npos ? std::string_view() : bytes.rest.substr(end + 1);
  std::vector<LayoutField> data_fields;
  std::optional<Layout> parsed;
  try {
    parsed.emplace(text);
  } catch (const std::invalid_argument&) {
    return;  // a malformed layout text
  }
  const Layout& layout = *parsed;
  if (std::none_of(layout.fields().begin(), layout.fields().end(),
                   [](const LayoutField& field) { return field.kind != 'X'; })) {
    // A value for a layout without data fields is refused, not written past
    // the layout's end.
    const std::vector<FieldValue> one{FieldValue(std::int64_t{1})};
    try {
      render_records(layout, one);
      std::abort();
    } catch (const std::invalid_argument&) {
    }
    return;
  }
  {
    // One value per data field of the first pass (at most 64), then, when the
    // pass was complete, one per data field of the reused group, so that the
    // records restart there.
    bool complete = true;
    for (const LayoutField& field : layout.fields()) {
      if (field.kind == 'X') continue;
      if (data_fields.size() == 64) {
        complete = false;
        break;
      }
      data_fields.push_back(field);
    }
    for (std::size_t i = layout.reuse_index(); complete && i < layout.fields().size(); ++i) {
      if (data_fields.size() >= 128) break;
      if (layout.fields()[i].kind != 'X') data_fields.push_back(layout.fields()[i]);
    }
    std::vector<std::string> text_values;
    std::vector<FieldValue> values;
    text_values.reserve(data_fields.size());
    for (const LayoutField& field : data_fields) {
      if (field.kind == 'I') {
        values.emplace_back(bytes.take_value<std::int64_t>());
      } else if (field.kind == 'E' || field.kind == 'F') {
        values.emplace_back(bytes.take_value<double>());
      } else {
        const std::size_t length = bytes.take() % 24;
        text_values.emplace_back(bytes.rest.substr(0, length));
        bytes.rest.remove_prefix(std::min(length, bytes.rest.size()));
        values.emplace_back(std::string_view(text_values.back()));
      }
    }
    const std::vector<std::string> records = render_records(layout, values);
    (void)records;

    std::vector<std::int32_t> integers(data_fields.size(), 0);
    std::vector<double> reals(data_fields.size(), 0.0);
    std::vector<std::string> texts(data_fields.size());
    std::vector<FieldTarget> targets;
    for (std::size_t i = 0; i < data_fields.size(); ++i) {
      const char kind = data_fields[i].kind;
      if (kind == 'I') {
        targets.emplace_back(&integers[i]);
      } else if (kind == 'E' || kind == 'F') {
        targets.emplace_back(&reals[i]);
      } else {
        const std::size_t length = i % 12 + 1;
        texts[i].assign(length, ' ');
        targets.emplace_back(TextTarget{&texts[i], length});
      }
    }
    InputFile in = InputFile::from_text("records.txt", std::string(bytes.rest));
    try {
      for (int reads = 0; reads < 1000 && read_record(in, layout, targets); ++reads) {
      }
    } catch (const FatalError&) {
    }
  }
}

// A run of fields the quick reader takes reads as parse_real reads each field,
// bit for bit.
void fuzz_written_runs(Bytes bytes) {
  const int width = bytes.take() % 24 + 1;
  const int digits = bytes.take() % 17;
  const int count = bytes.take() % 9;
  double values[8];
  if (!parse_written_exponents(bytes.rest, count, width, digits, values)) return;
  for (int c = 0; c < count; ++c) {
    double expected = 0.0;
    const std::string_view field = bytes.rest.substr(static_cast<std::size_t>(c * width),
                                                     static_cast<std::size_t>(width));
    if (!parse_real(field, digits, expected)) std::abort();
    if (std::memcmp(&expected, &values[c], sizeof expected) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  meridian::fuzz::enter_scratch_directory("records");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes{meridian::fuzz::as_text(data, size)};
  const std::uint8_t part = bytes.take();
  if (part % 4 == 2) {
    fuzz_written_runs(bytes);
  } else if (part % 2 == 0) {
    fuzz_free_form(bytes);
  } else {
    fuzz_layout(bytes);
  }
  return 0;
}
