#include "netcdf/netcdf_data_writer.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "netcdf/big_endian.hpp"
#include "netcdf/hex_bytes.hpp"
#include "support/case_names.hpp"

namespace meridian::netcdf {
namespace {

using meridian::testing::hex_bytes;
using meridian::testing::PrintTo;

std::string shorts(std::initializer_list<std::int16_t> values) {
  std::string bytes(2 * values.size(), '\0');
  char* at = bytes.data();
  for (const std::int16_t v : values) at = put_int16(at, v);
  return bytes;
}

std::string ints(std::initializer_list<std::int32_t> values) {
  std::string bytes;
  for (const std::int32_t v : values) append_int32(bytes, v);
  return bytes;
}

// The fixed variable "f"(len = 3) of ints, defined after the record variables
// "c"(time, len) of characters and "i"(time) of ints.
Layout two_record_variables() {
  Schema s;
  s.add_record_dimension("time");
  s.add_dimension("len", 3);
  s.add_variable("c", Type::nc_char, {0, 1});
  s.add_variable("i", Type::nc_int, {0});
  s.add_variable("f", Type::nc_int, {1});
  return Layout(std::move(s));
}

TEST(DataWriterTest, DocumentsTinyFileWithItsFillValuePadding) {
  Schema schema;
  schema.add_dimension("dim", 5);
  schema.add_variable("vx", Type::nc_short, {0});
  const Layout layout(std::move(schema));
  std::string file = layout.header_bytes(0);
  DataWriter writer(layout, [&](std::string_view bytes) { file += bytes; });
  writer.write(0, shorts({3, 1, 4}));  // in two pieces
  writer.write(0, shorts({1, 5}));
  EXPECT_EQ(writer.finish(), 0u);
  // The dump of the document's example, with a begin of 8 bytes.
  EXPECT_EQ(file, hex_bytes("4344 4602 0000 0000 0000 000a 0000 0001"
                            "0000 0003 6469 6d00 0000 0005 0000 0000"
                            "0000 0000 0000 000b 0000 0001 0000 0002"
                            "7678 0000 0000 0001 0000 0000 0000 0000"
                            "0000 0000 0000 0003 0000 000c 0000 0000 0000 0054"
                            "0003 0001 0004 0001 0005 8001"));
  EXPECT_EQ(file.size(), layout.file_size(0));
}

TEST(DataWriterTest, FixedDataThenRecordsOfPaddedSlabs) {
  const Layout layout = two_record_variables();
  std::string data;
  DataWriter writer(layout, [&](std::string_view bytes) { data += bytes; });
  writer.write(2, ints({1, 2, 3}));
  EXPECT_EQ(writer.records(), 0u);
  writer.write(0, "abc");
  writer.write(1, ints({7}));
  EXPECT_EQ(writer.records(), 1u);
  writer.write(0, "x");
  writer.write(0, "yz");
  writer.write(1, ints({-1}));
  EXPECT_EQ(writer.finish(), 2u);
  EXPECT_EQ(data, hex_bytes("00000001 00000002 00000003"
                            "61626300 00000007"
                            "78797a00 ffffffff"));
  EXPECT_EQ(layout.fixed_begin() + data.size(), layout.file_size(2));
}

TEST(DataWriterTest, SoleRecordVariableOfCharHasUnpaddedSlabs) {
  Schema schema;
  schema.add_record_dimension("time");
  schema.add_dimension("len", 3);
  schema.add_variable("c", Type::nc_char, {0, 1});
  const Layout layout(std::move(schema));
  std::string data;
  DataWriter writer(layout, [&](std::string_view bytes) { data += bytes; });
  EXPECT_EQ(writer.finish(), 0u);  // no fixed variable: may end before any record
  for (const char* slab : {"abc", "def", "ghi"}) writer.write(0, slab);
  EXPECT_EQ(writer.finish(), 3u);
  EXPECT_EQ(data, "abcdefghi");
  EXPECT_EQ(layout.fixed_begin() + data.size(), layout.file_size(3));
}

// ------------------------------------------------------------ misuse

struct MisuseCase {
  const char* name;
  std::function<void(DataWriter&)> before;  // accepted
  std::function<void(DataWriter&)> misuse;  // refused, writing nothing
  const char* message;
};

const std::string twelve(12, '\1');

// clang-format off
const MisuseCase misuse_cases[] = {
    {"record_variable_before_fixed_one",
     [](DataWriter&) {},
     [](DataWriter& w) { w.write(0, "abc"); },
     "netCDF variable \"c\" written where netCDF variable \"f\" belongs"},
    {"more_bytes_than_the_variable_holds",
     [](DataWriter&) {},
     [](DataWriter& w) { w.write(2, twelve + "x"); },
     "netCDF variable \"f\" given more bytes than it holds"},
    {"more_bytes_in_a_second_piece",
     [](DataWriter& w) { w.write(2, twelve.substr(4)); },
     [](DataWriter& w) { w.write(2, twelve.substr(0, 5)); },
     "netCDF variable \"f\" given more bytes than it holds"},
    {"next_variable_before_the_last_byte",
     [](DataWriter& w) { w.write(2, twelve.substr(1)); },
     [](DataWriter& w) { w.write(0, "abc"); },
     "netCDF variable \"c\" written where netCDF variable \"f\" belongs"},
    {"slabs_out_of_order",
     [](DataWriter& w) { w.write(2, twelve); },
     [](DataWriter& w) { w.write(1, "1234"); },
     "netCDF variable \"i\" written where netCDF variable \"c\" belongs"},
    {"slab_of_the_last_record_again",
     [](DataWriter& w) { w.write(2, twelve); w.write(0, "abc"); w.write(1, "1234"); },
     [](DataWriter& w) { w.write(1, "1234"); },
     "netCDF variable \"i\" written where netCDF variable \"c\" belongs"},
    {"end_before_the_fixed_data",
     [](DataWriter&) {},
     [](DataWriter& w) { w.finish(); },
     "netCDF data ended inside a variable or a record"},
    {"end_inside_a_variable",
     [](DataWriter& w) { w.write(2, twelve.substr(1)); },
     [](DataWriter& w) { w.finish(); },
     "netCDF data ended inside a variable or a record"},
    {"end_inside_a_slab",
     [](DataWriter& w) { w.write(2, twelve); w.write(0, "ab"); },
     [](DataWriter& w) { w.finish(); },
     "netCDF data ended inside a variable or a record"},
    {"end_inside_a_record",
     [](DataWriter& w) { w.write(2, twelve); w.write(0, "abc"); },
     [](DataWriter& w) { w.finish(); },
     "netCDF data ended inside a variable or a record"},
};
// clang-format on

class DataWriterMisuseTest : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(DataWriterMisuseTest, IsALogicErrorThatWritesNothing) {
  const Layout layout = two_record_variables();
  std::string data;
  DataWriter writer(layout, [&](std::string_view bytes) { data += bytes; });
  GetParam().before(writer);
  const std::string before = data;
  try {
    GetParam().misuse(writer);
    ADD_FAILURE() << "no error";
  } catch (const std::logic_error& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
  EXPECT_EQ(data, before);
}

INSTANTIATE_TEST_SUITE_P(Misuse, DataWriterMisuseTest, ::testing::ValuesIn(misuse_cases),
                         testing::CaseName());

TEST(DataWriterTest, NothingAfterTheFixedDataOfAFileWithoutRecords) {
  Schema schema;
  schema.add_variable("x", Type::nc_double, {});
  const Layout layout(std::move(schema));
  std::string data;
  DataWriter writer(layout, [&](std::string_view bytes) { data += bytes; });
  writer.write(0, "12345678");
  EXPECT_EQ(writer.finish(), 0u);
  EXPECT_THROW(writer.write(0, "1"), std::logic_error);
  EXPECT_EQ(data, "12345678");
}

}  // namespace
}  // namespace meridian::netcdf
