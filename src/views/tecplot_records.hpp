#pragma once
// Pieces of Tecplot ASCII records shared by the model views and the stress
// files: zone titles, zone size records, element records and whole brick
// zones, rendered straight into byte buffers (no streams, no per-field
// allocation).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "model/mesh.hpp"
#include "files/output_file.hpp"
#include "files/ordered_blocks.hpp"

namespace meridian {

// Appends an Iw field to `out`. Used for the counts of Tecplot ZONE records:
// a count that does not fit its w columns is written in full (all its digits)
// instead of w asterisks, so files of models above 99999 nodes stay readable.
void append_zone_count(std::string& out, int width, std::int64_t value);

// Appends an Iw field with the usual overflow rule (w asterisks).
void append_integer(std::string& out, int width, std::int64_t value);

// `ZONE T="nn.<g>"` with g in an I1 field (zone 10 and above give "nn.*").
std::string zone_title_record(std::int64_t zone);

// "N=" count ",E=" count <tail>, the counts in I5 fields (written in full when
// longer). `lead` is the text before the node count ("N=" or "ZONE N=").
std::string zone_size_record(std::string_view lead, std::int64_t node_count,
                             std::int64_t element_count, std::string_view tail);

// Bytes of one brick element record (8(I8)) with its CR LF.
inline constexpr std::size_t brick_record_bytes = 8 * 8 + 2;

// Appends one element record (8(I8) for a brick, 4(I8) for a quadrilateral)
// with its CR LF.
void append_element_record(std::string& out, const std::int32_t* corners, int count);

// The brick zones of a Tecplot file: zone z holds the next
// zone_element_counts[z-1] rows of element_nodes, and every zone lists the
// node records of nodes 1..node_count.
struct BrickZones {
  std::string_view file_name;  // named in messages
  std::int32_t node_count = 0;
  std::size_t node_record_bytes = 0;  // bytes of one node's records
  std::span<const std::int32_t> zone_element_counts;
  std::span<const ElementCorners> element_nodes;
};

// Ends the run when a zone has a negative element count or the zones hold
// more elements than the element table.
void check_brick_zones(const BrickZones& zones);

// Hands the node records of nodes 1..node_count to the sink, in order.
using RenderNodeRecords = std::function<void(const TakeBytes& sink)>;

// Writes every zone: its title record, its size record, the node records and
// its element records. With several zones the node records are rendered once
// into `node_scratch` and the bytes reused; a single zone streams them to the
// file. `element_records` holds the rendered records of all zones' elements
// when the caller keeps them (the stress files reuse them for every step);
// without them each zone's records are rendered in chunks into
// `element_scratch` (the buffer the node records of a single zone may have
// been streamed through, so it is not allocated twice).
void write_brick_zones(OutputFile& out, const BrickZones& zones, const RenderNodeRecords& nodes,
                       const std::string* element_records, std::string& node_scratch,
                       std::string& element_scratch);

// The element records of all zones, in zone order.
std::string render_brick_records(const BrickZones& zones);

// Record end of every output record.
inline constexpr std::string_view record_end = "\r\n";

}  // namespace meridian
