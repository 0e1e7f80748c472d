// Files written through the layout and the data writer, read back by netCDF's
// own readers: ncdump (netcdf-bin) and the netCDF library through
// python3-netcdf4, every value compared exactly. Each test is skipped where
// its reader is not installed.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "netcdf/big_endian.hpp"
#include "netcdf/netcdf_data_writer.hpp"
#include "netcdf/netcdf_layout.hpp"
#include "support/case_names.hpp"
#include "support/scratch_test.hpp"

namespace meridian::netcdf {
namespace {

using meridian::testing::PrintTo;

// ------------------------------------------------------------ the file

// Four nodes, three coordinate names, and per record (time step) a time,
// a float per node, a name of 5 characters and a count. Fixed and record
// variables are defined interleaved; the data holds the fixed ones first.
constexpr int nodes = 4;
const double coordx[nodes] = {0.1, -2.5, 1e-300, 3.0};
const double coordy[nodes] = {0.1, 1.0 / 3, -7.25, 1e30};  // stored as floats
const std::int32_t node_num_map[nodes] = {10, 20, -30, 2147483647};
const std::string coor_names = std::string("x\0\0\0\0y\0\0\0\0z\0\0\0\0", 15);
const double scale = 6.02214076e23;
double time_whole(int r) {
  return 0.5 * (r + 1);
}
double nodal(int r, int n) {
  return r + 0.1 * n;
}  // stored as float
std::string step_name(int r) {
  return "st" + std::to_string(r + 1) + std::string(2, '\0');
}
std::int32_t count(int r) {
  return r * r - 5;
}

enum Variable : std::size_t {
  v_coor_names,
  v_time_whole,
  v_node_num_map,
  v_coordx,
  v_vals_nod_var1,
  v_coordy,
  v_step_name,
  v_scale,
  v_count
};

Layout test_layout() {
  Schema s;
  const std::size_t len_name = s.add_dimension("len_name", 5);
  const std::size_t num_dim = s.add_dimension("num_dim", 3);
  const std::size_t num_nodes = s.add_dimension("num_nodes", nodes);
  const std::size_t time_step = s.add_record_dimension("time_step");
  s.add_attribute(text_attribute("title", "MERIDIAN netCDF test"));
  const float version[] = {5.1f};
  const std::int32_t ints[] = {1, -2, 2147483647};
  const double doubles[] = {0.1, -1e300};
  s.add_attribute(float_attribute("version", version));
  s.add_attribute(int_attribute("ints", ints));
  s.add_attribute(double_attribute("doubles", doubles));
  s.add_variable("coor_names", Type::nc_char, {num_dim, len_name});
  s.add_variable("time_whole", Type::nc_double, {time_step});
  s.add_variable("node_num_map", Type::nc_int, {num_nodes});
  s.add_attribute(s.add_variable("coordx", Type::nc_double, {num_nodes}),
                  text_attribute("units", "m"));
  s.add_variable("vals_nod_var1", Type::nc_float, {time_step, num_nodes});
  s.add_variable("coordy", Type::nc_float, {num_nodes});
  s.add_variable("step_name", Type::nc_char, {time_step, len_name});
  s.add_variable("scale", Type::nc_double, {});
  s.add_variable("count", Type::nc_int, {time_step});
  return Layout(std::move(s));
}

// How a file is written: the count in its header, the records written whole,
// whether the next record was begun, and the count patched in at the end.
struct Writing {
  const char* name;
  std::uint32_t header_count;
  int records;
  bool next_begun;
  std::optional<std::uint32_t> patched;
  int records_read;  // what the readers find
};

std::string file_bytes(const Layout& layout, const Writing& writing) {
  std::string file = layout.header_bytes(writing.header_count);
  DataWriter writer(layout, [&](std::string_view bytes) { file += bytes; });
  writer.write(v_coor_names, coor_names);
  std::string buffer(8 * nodes, '\0');
  writer.write(v_node_num_map, {buffer.data(), put_int32s(buffer.data(), node_num_map)});
  writer.write(v_coordx, {buffer.data(), put_doubles(buffer.data(), coordx)});
  writer.write(v_coordy, {buffer.data(), put_floats(buffer.data(), coordy)});
  writer.write(v_scale, {buffer.data(), put_double(buffer.data(), scale)});
  for (int r = 0; r < writing.records + (writing.next_begun ? 1 : 0); ++r) {
    writer.write(v_time_whole, {buffer.data(), put_double(buffer.data(), time_whole(r))});
    if (r == writing.records) break;  // the run stops here
    char* at = buffer.data();
    for (int n = 0; n < nodes; ++n) at = put_float(at, nodal(r, n));
    writer.write(v_vals_nod_var1, {buffer.data(), at});
    writer.write(v_step_name, step_name(r));
    writer.write(v_count, {buffer.data(), put_int32(buffer.data(), count(r))});
  }
  EXPECT_EQ(writer.records(), static_cast<std::uint32_t>(writing.records));
  if (writing.patched) file.replace(numrecs_offset(), 4, numrecs_bytes(*writing.patched));
  return file;
}

// clang-format off
const Writing writings[] = {
    {"count_patched_at_the_end",      0, 3, false, 3,            3},
    {"count_in_the_header",           3, 3, false, std::nullopt, 3},
    {"stopped_in_the_third_record",   0, 2, true,  2,            2},
    {"count_never_patched",           0, 3, false, std::nullopt, 0},
};
// clang-format on

// ------------------------------------------------------------ reading

// Runs a shell command in the scratch directory; its standard output.
std::string run(const std::string& command) {
  const int status = std::system((command + " > output.txt 2> errors.txt").c_str());
  EXPECT_EQ(status, 0) << command << "\n" << testing::read_file("errors.txt");
  return testing::read_file("output.txt");
}

bool have(const char* check) {
  return std::system((std::string(check) + " > /dev/null 2>&1").c_str()) == 0;
}
const char* const python = "/usr/bin/python3";

std::string hex(std::uint64_t bits) {
  char text[16];
  return std::string(text, std::to_chars(text, text + 16, bits, 16).ptr);
}
std::string float_bits(double v) {
  return hex(std::bit_cast<std::uint32_t>(static_cast<float>(v)));
}
std::string double_bits(double v) {
  return hex(std::bit_cast<std::uint64_t>(v));
}
std::string hex_text(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += "0123456789abcdef"[byte / 16];
    text += "0123456789abcdef"[byte % 16];
  }
  return text;
}
std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// What read_netcdf.py prints for the file with `records` records.
std::string expected_reading(int records) {
  std::vector<std::string> x, y, map, times, nodal_values, names, counts;
  for (int n = 0; n < nodes; ++n) {
    x.push_back(double_bits(coordx[n]));
    y.push_back(float_bits(coordy[n]));
    map.push_back(std::to_string(node_num_map[n]));
  }
  std::string name_bytes;
  for (int r = 0; r < records; ++r) {
    times.push_back(double_bits(time_whole(r)));
    for (int n = 0; n < nodes; ++n) nodal_values.push_back(float_bits(nodal(r, n)));
    name_bytes += step_name(r);
    counts.push_back(std::to_string(count(r)));
  }
  return testing::records(
      {
          "format NETCDF3_64BIT_OFFSET",
          "dimension len_name 5 fixed",
          "dimension num_dim 3 fixed",
          "dimension num_nodes 4 fixed",
          "dimension time_step " + std::to_string(records) + " unlimited",
          "attribute title text " + hex_text("MERIDIAN netCDF test"),
          "attribute version float32 " + float_bits(5.1f),
          "attribute ints int32 1 -2 2147483647",
          "attribute doubles float64 " + double_bits(0.1) + " " + double_bits(-1e300),
          "variable coor_names |S1 num_dim len_name " + hex_text(coor_names),
          "variable time_whole float64 time_step " + joined(times),
          "variable node_num_map int32 num_nodes " + joined(map),
          "variable coordx float64 num_nodes " + joined(x),
          "attribute coordx units text 6d",
          "variable vals_nod_var1 float32 time_step num_nodes " + joined(nodal_values),
          "variable coordy float32 num_nodes " + joined(y),
          "variable step_name |S1 time_step len_name " + hex_text(name_bytes),
          "variable scale float64  " + double_bits(scale),
          "variable count int32 time_step " + joined(counts),
      },
      "\n");
}

class NetcdfReadersTest : public testing::ScratchTest,
                          public ::testing::WithParamInterface<Writing> {};

TEST_P(NetcdfReadersTest, NetcdfLibraryReadsEveryValue) {
  if (!have((std::string(python) + " -c 'import netCDF4'").c_str())) {
    GTEST_SKIP() << "python3-netcdf4 absent";
  }
  write_file("test.nc", file_bytes(test_layout(), GetParam()));
  EXPECT_EQ(
      run(std::string(python) + " '" MERIDIAN_SOURCE_DIR "/tests/netcdf/read_netcdf.py' test.nc"),
      expected_reading(GetParam().records_read));
}

TEST_P(NetcdfReadersTest, NcdumpReadsTheRecordCount) {
  if (!have("command -v ncdump")) GTEST_SKIP() << "ncdump (netcdf-bin) absent";
  write_file("test.nc", file_bytes(test_layout(), GetParam()));
  EXPECT_EQ(run("ncdump -k test.nc"), "64-bit offset\n");
  const std::string header = run("ncdump -h test.nc");
  EXPECT_NE(header.find("\ttime_step = UNLIMITED ; // (" + std::to_string(GetParam().records_read) +
                        " currently)\n"),
            std::string::npos)
      << header;
}

INSTANTIATE_TEST_SUITE_P(Writings, NetcdfReadersTest, ::testing::ValuesIn(writings),
                         testing::CaseName());

class NcdumpTest : public testing::ScratchTest {};

// The whole file as CDL, values in ncdump's own shortest forms (floats to 7
// significant digits).
TEST_F(NcdumpTest, ShowsTheWholeFile) {
  if (!have("command -v ncdump")) GTEST_SKIP() << "ncdump (netcdf-bin) absent";
  write_file("test.nc", file_bytes(test_layout(), writings[0]));
  EXPECT_EQ(run("ncdump test.nc"),
            testing::records({"netcdf test {",
                              "dimensions:",
                              "\tlen_name = 5 ;",
                              "\tnum_dim = 3 ;",
                              "\tnum_nodes = 4 ;",
                              "\ttime_step = UNLIMITED ; // (3 currently)",
                              "variables:",
                              "\tchar coor_names(num_dim, len_name) ;",
                              "\tdouble time_whole(time_step) ;",
                              "\tint node_num_map(num_nodes) ;",
                              "\tdouble coordx(num_nodes) ;",
                              "\t\tcoordx:units = \"m\" ;",
                              "\tfloat vals_nod_var1(time_step, num_nodes) ;",
                              "\tfloat coordy(num_nodes) ;",
                              "\tchar step_name(time_step, len_name) ;",
                              "\tdouble scale ;",
                              "\tint count(time_step) ;",
                              "",
                              "// global attributes:",
                              "\t\t:title = \"MERIDIAN netCDF test\" ;",
                              "\t\t:version = 5.1f ;",
                              "\t\t:ints = 1, -2, 2147483647 ;",
                              "\t\t:doubles = 0.1, -1.e+300 ;",
                              "data:",
                              "",
                              " coor_names =",
                              "  \"x\",",
                              "  \"y\",",
                              "  \"z\" ;",
                              "",
                              " time_whole = 0.5, 1, 1.5 ;",
                              "",
                              " node_num_map = 10, 20, -30, 2147483647 ;",
                              "",
                              " coordx = 0.1, -2.5, 1e-300, 3 ;",
                              "",
                              " vals_nod_var1 =",
                              "  0, 0.1, 0.2, 0.3,",
                              "  1, 1.1, 1.2, 1.3,",
                              "  2, 2.1, 2.2, 2.3 ;",
                              "",
                              " coordy = 0.1, 0.3333333, -7.25, 1e+30 ;",
                              "",
                              " step_name =",
                              "  \"st1\",",
                              "  \"st2\",",
                              "  \"st3\" ;",
                              "",
                              " scale = 6.02214076e+23 ;",
                              "",
                              " count = -5, -4, -1 ;",
                              "}"},
                             "\n"));
}

// ------------------------------------------------------------ large variables

// A variable of more than 4 GiB has 2^32 - 1 as its vsize: the last record
// variable, or the last fixed variable of a file without record variables.
// The files are sparse: the values written are a few bytes at the start and
// at the end of the large variable, and everything else is left a hole.
struct LargeCase {
  const char* name;
  bool record;  // the large variable is a record variable, of 2 records
};

class LargeVariableReadTest : public testing::ScratchTest,
                              public ::testing::WithParamInterface<LargeCase> {};

TEST_P(LargeVariableReadTest, NetcdfLibraryFindsItsLastValues) {
  if (!have((std::string(python) + " -c 'import netCDF4'").c_str())) {
    GTEST_SKIP() << "python3-netcdf4 absent";
  }
  const bool record = GetParam().record;
  Schema schema;
  const std::size_t time = schema.add_record_dimension("time");
  const std::size_t a = schema.add_dimension("a", 65536);
  const std::size_t b = schema.add_dimension("b", 65537);  // a x b: 2^32 + 2^16 bytes
  const std::size_t three = schema.add_dimension("three", 3);
  schema.add_variable("small", Type::nc_int, {three});
  if (record) schema.add_variable("t", Type::nc_double, {time});
  std::vector<std::size_t> shape = {a, b};
  if (record) shape.insert(shape.begin(), time);
  schema.add_variable("big", Type::nc_char, shape);
  const Layout layout(std::move(schema));
  const std::uint32_t records = record ? 2 : 0;
  const std::size_t big = record ? 2 : 1;
  {
    std::ofstream file("large.nc", std::ios::binary);
    file << layout.header_bytes(records);
  }
  if (std::filesystem::space(".").available < layout.file_size(records) / 1024) {
    GTEST_SKIP() << "too little room, even for a sparse file";
  }
  std::filesystem::resize_file("large.nc", layout.file_size(records));
  std::fstream file("large.nc", std::ios::in | std::ios::out | std::ios::binary);
  const auto write_at = [&](std::uint64_t offset, const std::string& bytes) {
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  std::string ints;
  for (const std::int32_t i : {7, 8, 9}) append_int32(ints, i);
  write_at(layout.begin(0), ints);
  for (std::uint32_t r = 0; r < std::max(records, 1u); ++r) {
    const std::uint64_t record_start = r * layout.record_size();
    if (record) {
      std::string time_bytes;
      append_double(time_bytes, 0.5 + r);
      write_at(layout.begin(1) + record_start, time_bytes);
    }
    const std::uint64_t start = layout.begin(big) + record_start;
    write_at(start, r == 0 ? "ab" : "AB");
    write_at(start + layout.value_bytes(big) - 2, r == 0 ? "yz" : "YZ");
  }
  file.close();
  ASSERT_TRUE(file);
  const std::string script =
      "import netCDF4\n"
      "with netCDF4.Dataset('large.nc') as f:\n"
      "  f.set_auto_maskandscale(False)\n"
      "  big = f['big']\n"
      "  print(f['small'][:].tolist(), f['t'][:].tolist() if 't' in f.variables else '-')\n"
      "  for r in range(len(f.dimensions['time'])) if big.ndim == 3 else [None]:\n"
      "    at = () if r is None else (r,)\n"
      "    first, last = big[at + (0, slice(0, 2))], big[at + (-1, slice(-2, None))]\n"
      "    print(first.tobytes().decode(), last.tobytes().decode())\n";
  write_file("read_large.py", script);
  EXPECT_EQ(run(std::string(python) + " read_large.py"),
            record ? "[7, 8, 9] [0.5, 1.5]\nab yz\nAB YZ\n" : "[7, 8, 9] -\nab yz\n");
}

// clang-format off
const LargeCase large_cases[] = {
    {"last_fixed_variable_of_a_file_without_records", false},
    {"last_record_variable",                          true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Largest, LargeVariableReadTest, ::testing::ValuesIn(large_cases),
                         testing::CaseName());

}  // namespace
}  // namespace meridian::netcdf
