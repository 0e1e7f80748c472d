#pragma once
// Pieces of Tecplot ASCII records shared by the model views and the stress
// files: zone titles, zone size records and node coordinate records, rendered
// straight into byte buffers (no streams, no per-field allocation).

#include <cstdint>
#include <string>
#include <string_view>

namespace meridian {

// Appends an Iw field to `out`. Used for the counts of Tecplot ZONE records:
// a count that does not fit its w columns is written in full (all its digits)
// instead of w asterisks, so files of models above 99999 nodes stay readable.
void append_zone_count(std::string& out, int width, std::int64_t value);

// Appends an Iw field with the usual overflow rule (w asterisks).
void append_integer(std::string& out, int width, std::int64_t value);

// Appends an Ew.d field.
void append_exponent(std::string& out, int width, int digits, double value);

// `ZONE T="nn.<g>"` with g in an I1 field (zone 10 and above give "nn.*").
std::string zone_title_record(std::int64_t zone);

// "N=" count ",E=" count <tail>, the counts in I5 fields (written in full when
// longer). `lead` is the text before the node count ("N=" or "ZONE N=").
std::string zone_size_record(std::string_view lead, std::int64_t node_count,
                             std::int64_t element_count, std::string_view tail);

// Appends one element record (8(I8)) with its CR LF.
void append_element_record(std::string& out, const std::int32_t* corners, int count);

// Record end of every output record.
inline constexpr std::string_view record_end = "\r\n";

}  // namespace meridian
