#pragma once
// Free-form records: console messages, count records of the card files, the
// parameter file, console answers and the words of an input deck.
//
// Output: a text that begins a record is preceded by one blank; an integer is
// right-justified in 12 columns; values follow one another with no separator; a
// record with no values is a single blank.
//
// Input: values separated by blanks, a comma (with optional blanks) or the end of
// a record; r*c repeats c r times, r* skips r targets, an empty value between
// commas leaves its target unchanged, a slash ends the read leaving the remaining
// targets unchanged. Each read starts at a new record, continues onto following
// records while targets remain, and discards what is left on its last record.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "records/record_streams.hpp"
#include "records/layout.hpp"

namespace meridian {

using FreeValue = std::variant<std::int64_t, std::string_view>;

std::string render_free(std::span<const FreeValue> values);
void write_free(RecordSink& out, std::initializer_list<FreeValue> values);

enum class ReadStatus { ok, end_of_file };

// Reads as many values as there are targets (integers, reals or texts of
// declared length; a text is delimited by apostrophes or quotation marks, or
// ends at a blank, comma, slash or the end of the record). Returns end_of_file
// when the file ends before the read is complete; a value that does not convert
// ends the run with a message naming the file and line.
ReadStatus read_free(RecordSource& in, std::span<const FieldTarget> targets);
// As read_free; end of file ends the run ("end of file while reading <what>").
void require_free(RecordSource& in, std::span<const FieldTarget> targets, std::string_view what);

}  // namespace meridian
