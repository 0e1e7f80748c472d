#pragma once
// Helpers of the listing reader tests: load a listing text, catch the fatal
// message, find line numbers in a listing text.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_reader.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"
#include "support/listing_writer.hpp"

namespace meridian::testing {

inline ListingModel load_text(const std::string& text) {
  InputFile in = InputFile::from_text("n3dhsp", text);
  return load_listing(in);
}

inline ListingModel load_fixture(const ListingFixture& fixture) {
  return load_text(write_listing_text(fixture));
}

// The fatal message of loading `text`, or "" when it loads.
inline std::string load_error(const std::string& text) {
  try {
    load_text(text);
  } catch (const FatalError& error) {
    return error.what();
  }
  return "";
}

// 1-based number of the first line that contains `needle` at or after line
// `from`; 0 when none does.
inline long line_of(const std::string& text, std::string_view needle, long from = 1) {
  long number = 1;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (number >= from &&
        std::string_view(text).substr(start, end - start).find(needle) != std::string_view::npos) {
      return number;
    }
    start = end + 1;
    ++number;
  }
  return 0;
}

// Start of the first line containing `needle`, or npos (a test failure).
inline std::size_t line_start(const std::string& text, std::string_view needle) {
  const std::size_t at = text.find(needle);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no line contains " << needle;
    return std::string::npos;
  }
  const std::size_t newline = text.rfind('\n', at);
  return newline == std::string::npos ? 0 : newline + 1;
}

// Replaces the first line containing `needle` (the whole line, with its LF)
// by `replacement`.
inline std::string replace_line(const std::string& text, std::string_view needle,
                                const std::string& replacement) {
  const std::size_t begin = line_start(text, needle);
  if (begin == std::string::npos) return text;
  const std::size_t end = text.find('\n', begin);
  return text.substr(0, begin) + replacement + text.substr(end + 1);
}

// Inserts `lines` before the first line containing `needle`.
inline std::string insert_before(const std::string& text, std::string_view needle,
                                 const std::string& lines) {
  const std::size_t begin = line_start(text, needle);
  if (begin == std::string::npos) return text;
  return text.substr(0, begin) + lines + text.substr(begin);
}

// Per-step tables read back from the store.
struct StepTables {
  std::vector<double> node_result, node_stress;
};

inline StepTables step_tables(const ListingModel& model, std::int32_t step) {
  StepTables tables;
  model.steps.load(step, tables.node_result, tables.node_stress);
  return tables;
}

}  // namespace meridian::testing
