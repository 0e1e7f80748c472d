#include "netcdf/netcdf_layout.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "netcdf/hex_bytes.hpp"
#include "support/case_names.hpp"

namespace meridian::netcdf {
namespace {

using meridian::testing::hex_bytes;
using meridian::testing::PrintTo;

// Small files and their headers worked out by hand from the grammar of
// netCDF's "file format specifications" document: magic "CDF" 2, numrecs,
// then the lists of dimensions, global attributes and variables. Names and
// values are padded with zeros to 4 bytes, an empty list is ABSENT (8 zero
// bytes), a variable ends with its type, vsize (4 bytes) and begin (8
// bytes). Each column of `header` is one field.
struct HeaderCase {
  const char* name;
  std::function<Schema()> schema;
  std::uint32_t numrecs;
  const char* header;
  std::vector<std::uint64_t> begins, stored_bytes;
  std::uint64_t records_begin, record_size;
};

// clang-format off
const HeaderCase header_cases[] = {
    // The smallest file: 32 bytes, every list ABSENT.
    {"empty", [] { return Schema(); }, 0,
     "43444602 00000000"
     "00000000 00000000"
     "00000000 00000000"
     "00000000 00000000",
     {}, {}, 32, 0},
    // The document's "tiny" example (short vx(dim = 5)), as a 64-bit-offset
    // file: its begin is 84 instead of the classic file's 80.
    {"tiny_short_vector",
     [] {
       Schema s;
       s.add_dimension("dim", 5);
       s.add_variable("vx", Type::nc_short, {0});
       return s;
     }, 0,
     "43444602 00000000"
     "0000000a 00000001  00000003 64696d00  00000005"
     "00000000 00000000"
     "0000000b 00000001  00000002 76780000  00000001 00000000  00000000 00000000"
     "  00000003 0000000c  0000000000000054",
     {84}, {12}, 96, 0},
    // Names of 1, 3 and 5 characters padded, one of 4 not; a global and a
    // variable attribute of text, both padded.
    {"char_variable_and_text_attributes",
     [] {
       Schema s;
       s.add_dimension("n", 3);
       s.add_attribute(text_attribute("title", "abc"));
       s.add_variable("label", Type::nc_char, {0});
       s.add_attribute(0, text_attribute("note", "hello"));
       return s;
     }, 0,
     "43444602 00000000"
     "0000000a 00000001  00000001 6e000000  00000003"
     "0000000c 00000001  00000005 7469746c 65000000  00000002 00000003 61626300"
     "0000000b 00000001  00000005 6c616265 6c000000  00000001 00000000"
     "  0000000c 00000001  00000004 6e6f7465  00000002 00000005 68656c6c 6f000000"
     "  00000002 00000004  0000000000000088",
     {136}, {4}, 140, 0},
    // Attributes of every kind the helpers make; 0.1 as a double, 0.5 as a
    // float; an empty text.
    {"numeric_attributes",
     [] {
       Schema s;
       const std::int32_t ints[] = {1, -2};
       const float floats[] = {0.5f};
       const double doubles[] = {0.1};
       s.add_attribute(int_attribute("i", ints));
       s.add_attribute(float_attribute("f", floats));
       s.add_attribute(double_attribute("d", doubles));
       s.add_attribute(text_attribute("e", ""));
       return s;
     }, 0,
     "43444602 00000000"
     "00000000 00000000"
     "0000000c 00000004"
     "  00000001 69000000  00000004 00000002 00000001 fffffffe"
     "  00000001 66000000  00000005 00000001 3f000000"
     "  00000001 64000000  00000006 00000001 3fb99999 9999999a"
     "  00000001 65000000  00000002 00000000"
     "00000000 00000000",
     {}, {}, 116, 0},
    // A record variable: the record dimension has length 0; numrecs as given.
    {"record_variable",
     [] {
       Schema s;
       s.add_record_dimension("time");
       s.add_variable("t", Type::nc_double, {0});
       return s;
     }, 2,
     "43444602 00000002"
     "0000000a 00000001  00000004 74696d65  00000000"
     "00000000 00000000"
     "0000000b 00000001  00000001 74000000  00000001 00000000  00000000 00000000"
     "  00000006 00000008  0000000000000054",
     {84}, {8}, 84, 8},
    // Two record variables, each slab padded to 4 bytes in the record; the
    // fixed variable defined after them comes first in the data.
    {"two_record_variables",
     [] {
       Schema s;
       s.add_record_dimension("time");
       s.add_dimension("len", 3);
       s.add_variable("c", Type::nc_char, {0, 1});
       s.add_variable("i", Type::nc_int, {0});
       s.add_variable("f", Type::nc_int, {1});
       return s;
     }, 0,
     "43444602 00000000"
     "0000000a 00000002  00000004 74696d65  00000000  00000003 6c656e00  00000003"
     "00000000 00000000"
     "0000000b 00000003"
     "  00000001 63000000  00000002 00000000 00000001  00000000 00000000"
     "  00000002 00000004  00000000000000c0"
     "  00000001 69000000  00000001 00000000  00000000 00000000"
     "  00000004 00000004  00000000000000c4"
     "  00000001 66000000  00000001 00000001  00000000 00000000"
     "  00000004 0000000c  00000000000000b4",
     {192, 196, 180}, {4, 4, 12}, 192, 8},
    // The only record variable, of characters: vsize is padded in the
    // header, but its slabs follow each other unpadded.
    {"sole_record_variable_of_char",
     [] {
       Schema s;
       s.add_record_dimension("time");
       s.add_dimension("len", 3);
       s.add_variable("c", Type::nc_char, {0, 1});
       return s;
     }, 0,
     "43444602 00000000"
     "0000000a 00000002  00000004 74696d65  00000000  00000003 6c656e00  00000003"
     "00000000 00000000"
     "0000000b 00000001"
     "  00000001 63000000  00000002 00000000 00000001  00000000 00000000"
     "  00000002 00000004  0000000000000064",
     {100}, {3}, 100, 3},
    {"sole_record_variable_of_short",
     [] {
       Schema s;
       s.add_record_dimension("time");
       s.add_dimension("len", 3);
       s.add_variable("c", Type::nc_short, {0, 1});
       return s;
     }, 0,
     "43444602 00000000"
     "0000000a 00000002  00000004 74696d65  00000000  00000003 6c656e00  00000003"
     "00000000 00000000"
     "0000000b 00000001"
     "  00000001 63000000  00000002 00000000 00000001  00000000 00000000"
     "  00000003 00000008  0000000000000064",
     {100}, {6}, 100, 6},
};
// clang-format on

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, BytesAndOffsetsAreThoseWorkedOutByHand) {
  const HeaderCase& c = GetParam();
  const Layout layout(c.schema());
  const std::string header = hex_bytes(c.header);
  EXPECT_EQ(layout.header_bytes(c.numrecs), header);
  EXPECT_EQ(layout.fixed_begin(), header.size());
  std::vector<std::uint64_t> begins, stored;
  for (std::size_t v = 0; v < layout.schema().variables().size(); ++v) {
    begins.push_back(layout.begin(v));
    stored.push_back(layout.stored_bytes(v));
  }
  EXPECT_EQ(begins, c.begins);
  EXPECT_EQ(stored, c.stored_bytes);
  EXPECT_EQ(layout.records_begin(), c.records_begin);
  EXPECT_EQ(layout.record_size(), c.record_size);
  EXPECT_EQ(layout.file_size(0), c.records_begin);
  EXPECT_EQ(layout.file_size(5), c.records_begin + 5 * c.record_size);
}

INSTANTIATE_TEST_SUITE_P(Files, HeaderTest, ::testing::ValuesIn(header_cases), testing::CaseName());

TEST(LayoutTest, HeaderDiffersOnlyInTheRecordCount) {
  Schema schema;
  schema.add_record_dimension("time");
  schema.add_variable("t", Type::nc_double, {0});
  const Layout layout(std::move(schema));
  std::string patched = layout.header_bytes(0);
  patched.replace(numrecs_offset(), 4, numrecs_bytes(0x01020304));
  EXPECT_EQ(patched, layout.header_bytes(0x01020304));
  EXPECT_EQ(numrecs_bytes(0x7fffffff), hex_bytes("7fffffff"));
  EXPECT_THROW(numrecs_bytes(0x80000000u), std::invalid_argument);
  EXPECT_THROW(layout.header_bytes(0xffffffffu), std::invalid_argument);
}

TEST(LayoutTest, ValueAndStoredBytesAndPadding) {
  Schema schema;
  schema.add_dimension("three", 3);
  schema.add_dimension("two", 2);
  schema.add_variable("c", Type::nc_char, {0});
  schema.add_variable("b", Type::nc_byte, {1});
  schema.add_variable("s", Type::nc_short, {0});
  schema.add_variable("i", Type::nc_int, {0, 1});
  schema.add_variable("d", Type::nc_double, {});
  const Layout layout(std::move(schema));
  const std::vector<std::uint64_t> value_bytes = {3, 2, 6, 24, 8}, stored_bytes = {4, 4, 8, 24, 8};
  // The fill values of the types: NC_CHAR 0, NC_BYTE -127, NC_SHORT -32767.
  const std::vector<std::string> padding = {hex_bytes("00"), hex_bytes("8181"), hex_bytes("8001"),
                                            "", ""};
  for (std::size_t v = 0; v < 5; ++v) {
    SCOPED_TRACE(v);
    EXPECT_EQ(layout.value_bytes(v), value_bytes[v]);
    EXPECT_EQ(layout.stored_bytes(v), stored_bytes[v]);
    EXPECT_EQ(layout.padding(v), padding[v]);
  }
}

// ------------------------------------------------------------ large variables

// The vsize field of the variable whose entry ends the header.
std::uint32_t last_vsize(const std::string& header) {
  std::uint32_t vsize = 0;
  for (std::size_t i = header.size() - 12; i < header.size() - 8; ++i) {
    vsize = vsize << 8 | static_cast<unsigned char>(header[i]);
  }
  return vsize;
}

// A file of variables of characters over dimensions of the given lengths
// (a length of 0: the record dimension), in that order.
Layout char_layout(const std::vector<std::vector<std::uint32_t>>& shapes) {
  Schema schema;
  schema.add_record_dimension("time");
  for (std::size_t v = 0; v < shapes.size(); ++v) {
    std::vector<std::size_t> dimensions;
    for (const std::uint32_t length : shapes[v]) {
      if (length == 0) {
        dimensions.push_back(0);
      } else {
        // (Appended, not added to a literal: MinGW's GCC 12 warns falsely there.)
        std::string name = "d";
        name += std::to_string(schema.dimensions().size());
        dimensions.push_back(schema.add_dimension(name, length));
      }
    }
    std::string name = "v";
    name += std::to_string(v);
    schema.add_variable(name, Type::nc_char, dimensions);
  }
  return Layout(std::move(schema));
}

TEST(LargeVariableTest, UpTo2To32Minus4BytesIsToldAnywhere) {
  // 2 x 2147483646 characters: 2^32 - 4 bytes.
  const Layout layout = char_layout({{2, 2147483646}, {1}});
  EXPECT_EQ(last_vsize(char_layout({{2, 2147483646}}).header_bytes(0)), 0xfffffffcu);
  EXPECT_EQ(layout.begin(1), layout.begin(0) + 0xfffffffcu);
  EXPECT_EQ(layout.file_size(0), layout.begin(1) + 4);
}

TEST(LargeVariableTest, LargerLastFixedVariableHasVsize2To32Minus1) {
  // 65536 x 65536 characters (2^32 bytes), 3 x 2^30 x 8 (24 GiB).
  for (const auto& shape :
       {std::vector<std::uint32_t>{65536, 65536}, std::vector<std::uint32_t>{3, 1073741824u, 8}}) {
    const Layout layout = char_layout({{1}, shape});
    EXPECT_EQ(last_vsize(layout.header_bytes(0)), 0xffffffffu);
    std::uint64_t bytes = 1;
    for (const std::uint32_t length : shape) bytes *= length;
    EXPECT_EQ(layout.value_bytes(1), bytes);
    EXPECT_EQ(layout.begin(1), layout.begin(0) + 4);
    EXPECT_EQ(layout.file_size(7), layout.begin(1) + bytes);  // no record variable
  }
}

TEST(LargeVariableTest, LargerLastRecordVariableHasVsize2To32Minus1) {
  // 65535 x 65537 characters: 2^32 - 1 bytes a record, padded to 2^32.
  const Layout layout = char_layout({{0, 3}, {7}, {0, 65535, 65537}});
  EXPECT_EQ(last_vsize(layout.header_bytes(0)), 0xffffffffu);
  EXPECT_EQ(layout.value_bytes(2), 0xffffffffu);
  EXPECT_EQ(layout.stored_bytes(2), 0x100000000u);
  EXPECT_EQ(layout.records_begin(), layout.begin(1) + 8);
  EXPECT_EQ(layout.begin(0), layout.records_begin());
  EXPECT_EQ(layout.begin(2), layout.records_begin() + 4);
  EXPECT_EQ(layout.record_size(), 4 + layout.stored_bytes(2));
}

TEST(LargeVariableTest, LargerVariableElsewhereIsRefused) {
  // A fixed variable followed by another; the last fixed variable of a file
  // with record variables; a record variable followed by another.
  for (const auto& shapes : {std::vector<std::vector<std::uint32_t>>{{65536, 65536}, {1}},
                             std::vector<std::vector<std::uint32_t>>{{65536, 65536}, {0, 1}},
                             std::vector<std::vector<std::uint32_t>>{{0, 65536, 65536}, {0, 1}}}) {
    try {
      char_layout(shapes);
      ADD_FAILURE() << "no error";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()),
                "netCDF variable \"v0\": more than 2^32 - 4 bytes, and not the last variable");
    }
  }
}

}  // namespace
}  // namespace meridian::netcdf
