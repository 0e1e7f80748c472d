// model.exo (--exodus) read back by netCDF's own library (python3-netcdf4,
// through read_exodus.py): the layout of the Exodus II file and every value,
// against the listing's printed values, the stress files and summary.csv of
// the same run; the same bytes on every run and on every system (a stored
// file); every other file the same with and without the option.

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_job.hpp"
#include "support/listing_writer.hpp"
#include "support/result_texts.hpp"
#include "support/scratch_dir.hpp"

namespace meridian::testing {
namespace {

namespace fs = std::filesystem;

// Element e, integration point p (0-based), component c at step s: three
// digits, negative on odd points; in step 2 element 3's first point holds
// values beyond a float's range.
double element_value(int e, int p, int c, int s) {
  if (s == 2 && e == 3 && p == 0) return exact(c % 2 ? "-1.5e40" : "1.5e40");
  const int digits = (p + 1) * 100 + c * 10 + e;
  // (Appended, not added to a literal: MinGW's GCC 12 warns falsely there.)
  std::string text = p % 2 ? "-" : "";
  text += std::to_string(digits);
  if (s == 2) text += "e3";
  return exact(text);
}

std::array<double, 4> node_values(int node, int step) {
  return {exact(std::to_string(25 * (node % 3 - 1) * step) + "e-4"),
          exact(std::to_string(-5 * node) + "e-4"), 0.125 * step, 20.0 + node + step};
}

// Elements 1 and 2 side by side (nodes 1..12) and element 3 apart (nodes
// 13..20), of materials 2, 1 and 2; node 21 in no element; a spring from
// node 1 to node 13 (the stress files then hold nodes 1..20).
ListingFixture three_elements(int steps) {
  ListingFixture f;
  f.title = "three elements, two materials";
  add_block(f, 2, 1, 1, 0.0, 0.0, 0.0, 2);
  add_block(f, 1, 1, 1, 5.0, 0.5, 0.25, 2);
  f.elements[1].material = 1;
  f.nodes.push_back({0, 9.0, -9.0, 1.0e-3});
  f.spring_types.push_back({1000.0, 1});
  f.springs.push_back({1, 13, 1, 1.0});
  add_steps(f, steps, {node_values, element_value, [](int, int s) {
                         return ListingSpringResult{exact("0.25e-2"), exact("-0.75e-3") * s, exact("-1.5e4") * s};
                       }});
  return f;
}

void run_listing(std::int32_t job, bool exodus, bool report = false) {
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  RunOptions options;
  options.exodus = exodus;
  options.report = report;
  if (job == 1) options.scale = 10.0;
  run_job(job, options, console);
}

// What read_exodus.py prints, by name.
struct Exodus {
  std::string format;
  std::map<std::string, std::string> dimensions, attributes;
  std::map<std::string, std::string> variable_dimensions;
  std::map<std::string, std::vector<std::string>> variables;  // values, or rows of text

  std::vector<float> floats(const std::string& name) const {
    std::vector<float> values;
    for (const std::string& bits : variables.at(name)) {
      values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(std::stoul(bits, nullptr, 16))));
    }
    return values;
  }
  std::vector<int> ints(const std::string& name) const {
    std::vector<int> values;
    for (const std::string& text : variables.at(name)) values.push_back(std::stoi(text));
    return values;
  }
};

// The file as netCDF's library reads it; nothing when python3-netcdf4 is
// not there.
std::optional<Exodus> read_exodus(const std::string& file) {
  if (std::system("/usr/bin/python3 -c 'import netCDF4' > /dev/null 2>&1") != 0) return std::nullopt;
  const std::string command = "/usr/bin/python3 '" MERIDIAN_SOURCE_DIR "/tests/exodus/read_exodus.py' '" +
                              file + "' > exodus.txt";
  EXPECT_EQ(std::system(command.c_str()), 0);
  Exodus exodus;
  std::istringstream in(read_file("exodus.txt"));
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string kind, name;
    words >> kind >> name;
    std::string rest;
    std::getline(words, rest);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    if (kind == "format") {
      exodus.format = name;
    } else if (kind == "dimension") {
      exodus.dimensions[name] = rest;
    } else if (kind == "attribute") {
      exodus.attributes[name] = rest;
    } else if (kind == "variable") {
      const std::size_t blank = rest.find(' ');
      exodus.variable_dimensions[name] = rest.substr(0, blank);
      const std::string values = blank == std::string::npos ? "" : rest.substr(blank + 1);
      const bool text = values.find('|') != std::string::npos ||
                        name.find("names") != std::string::npos || name == "qa_records" ||
                        name.rfind("name_", 0) == 0;
      exodus.variables[name] = text ? split(values, '|') : split(values, ' ');
    }
  }
  return exodus;
}

// A real as the file holds it: the nearest float, held within a float's range.
float held(double value) { return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX})); }

TEST(ExodusFile, LayoutAndValuesAsNetcdfReadsThem) {
  ScratchDir dir;
  const ListingFixture fixture = three_elements(2);
  write_listing_file(fixture, "n3dhsp");
  run_listing(2, true, true);
  const std::optional<Exodus> read = read_exodus("model.exo");
  if (!read) GTEST_SKIP() << "python3-netcdf4 is not installed";
  const Exodus& x = *read;
  EXPECT_EQ(x.format, "NETCDF3_64BIT_OFFSET");

  // The layout.
  const std::map<std::string, std::string> dimensions = {
      {"len_string", "33"}, {"len_line", "81"},   {"four", "4"},       {"len_name", "33"},
      {"time_step", "2"},   {"num_dim", "3"},     {"num_nodes", "21"}, {"num_elem", "4"},
      {"num_el_blk", "3"},  {"num_qa_rec", "1"},  {"num_el_in_blk1", "2"}, {"num_nod_per_el1", "8"},
      {"num_el_in_blk2", "1"}, {"num_nod_per_el2", "8"}, {"num_el_in_blk3", "1"},
      {"num_nod_per_el3", "2"}, {"num_nod_var", "11"}, {"num_elem_var", "58"}, {"num_glo_var", "5"}};
  EXPECT_EQ(x.dimensions, dimensions);
  EXPECT_EQ(x.attributes.at("floating_point_word_size"), "4");
  EXPECT_EQ(x.attributes.at("file_size"), "1");
  EXPECT_EQ(x.attributes.at("maximum_name_length"), "32");
  EXPECT_EQ(x.attributes.at("title"), "three elements, two materials");
  EXPECT_TRUE(x.attributes.count("api_version") && x.attributes.count("version"));
  EXPECT_EQ(x.attributes.at("eb_prop1:name"), "ID");
  EXPECT_EQ(x.attributes.at("connect1:elem_type"), "HEX8");
  EXPECT_EQ(x.attributes.at("connect3:elem_type"), "BAR2");
  // Blocks in the order of each material's first element, elements in
  // listing order; the springs last, numbered after the elements.
  EXPECT_EQ(x.variables.at("eb_names"), (std::vector<std::string>{"material_2", "material_1", "springs"}));
  EXPECT_EQ(x.ints("eb_prop1"), (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(x.ints("eb_status"), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(x.ints("elem_num_map"), (std::vector<int>{1, 3, 2, 4}));
  std::vector<int> connect1;
  for (const int e : {0, 2}) connect1.insert(connect1.end(), fixture.elements[e].nodes.begin(), fixture.elements[e].nodes.end());
  EXPECT_EQ(x.ints("connect1"), connect1);
  EXPECT_EQ(x.ints("connect2"), std::vector<int>(fixture.elements[1].nodes.begin(), fixture.elements[1].nodes.end()));
  EXPECT_EQ(x.ints("connect3"), (std::vector<int>{1, 13}));
  std::vector<int> numbers(21);
  for (int i = 0; i < 21; ++i) numbers[static_cast<std::size_t>(i)] = i + 1;
  EXPECT_EQ(x.ints("node_num_map"), numbers);
  const std::vector<float> cx = x.floats("coordx"), cy = x.floats("coordy"), cz = x.floats("coordz");
  for (std::size_t i = 0; i < 21; ++i) {
    EXPECT_EQ(cx[i], held(fixture.nodes[i].x));
    EXPECT_EQ(cy[i], held(fixture.nodes[i].y));
    EXPECT_EQ(cz[i], held(fixture.nodes[i].z));
  }
  EXPECT_EQ(x.variables.at("coor_names"), (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(x.variables.at("qa_records"), (std::vector<std::string>{"meridian", MERIDIAN_VERSION, "", ""}));
  EXPECT_EQ(x.variables.at("name_nod_var"),
            (std::vector<std::string>{"displacement_x", "displacement_y", "displacement_z", "stress_xx",
                                      "stress_yy", "stress_zz", "stress_xy", "stress_yz", "stress_zx",
                                      "effective_stress", "temperature"}));
  const std::vector<std::string>& element_names = x.variables.at("name_elem_var");
  ASSERT_EQ(element_names.size(), 58u);
  EXPECT_EQ(element_names[0], "stress_ip1_xx");
  EXPECT_EQ(element_names[5], "stress_ip1_zx");
  EXPECT_EQ(element_names[6], "effective_stress_ip1");
  EXPECT_EQ(element_names[55], "effective_stress_ip8");
  EXPECT_EQ(element_names[56], "spring_deflection");
  EXPECT_EQ(element_names[57], "spring_force");
  std::vector<int> truth;
  for (int b = 0; b < 3; ++b) {
    for (int v = 0; v < 58; ++v) truth.push_back((v >= 56) == (b == 2));
  }
  EXPECT_EQ(x.ints("elem_var_tab"), truth);
  for (int v = 57; v <= 58; ++v) EXPECT_EQ(x.variables.count("vals_elem_var" + std::to_string(v) + "eb1"), 0u);
  EXPECT_EQ(x.variables.count("vals_elem_var1eb3"), 0u);
  EXPECT_EQ(x.variables.at("name_glo_var"),
            (std::vector<std::string>{"max_displacement", "max_effective_stress", "max_ip_effective_stress",
                                      "min_temperature", "max_temperature"}));
  EXPECT_EQ(x.floats("time_whole"), (std::vector<float>{1.0F, 2.0F}));

  // The values, step by step.
  const std::vector<std::string> summary = split(read_file("summary.csv"), '\n');
  for (int s = 1; s <= 2; ++s) {
    SCOPED_TRACE("step " + std::to_string(s));
    const auto at = static_cast<std::size_t>(s - 1);
    const auto stress = stress_file_nodes(read_file("model_stress_" + std::to_string(s) + ".dat"), 20);
    for (int v = 1; v <= 11; ++v) {
      const std::vector<float> all = x.floats("vals_nod_var" + std::to_string(v));
      ASSERT_EQ(all.size(), 42u);
      for (std::size_t i = 0; i < 21; ++i) {
        const float seen = all[at * 21 + i];
        const std::array<double, 4> printed = node_values(static_cast<int>(i) + 1, s);
        if (v <= 3 || v == 11) {
          EXPECT_EQ(seen, held(printed[v == 11 ? 3 : static_cast<std::size_t>(v - 1)])) << "variable " << v << " node " << i + 1;
        } else if (i == 20) {
          EXPECT_EQ(seen, 0.0F) << "node 21 is in no element";
        } else {
          // The stress file's 14 digits, rounded to a float.
          const double expected = stress[i][static_cast<std::size_t>(v - 1)];
          EXPECT_NEAR(seen, held(expected), 1e-6 * std::fabs(expected)) << "variable " << v << " node " << i + 1;
        }
      }
    }
    const std::map<int, std::vector<int>> block_elements = {{1, {1, 3}}, {2, {2}}};
    for (const auto& [block, elements] : block_elements) {
      for (int v = 1; v <= 56; ++v) {
        const std::vector<float> all = x.floats("vals_elem_var" + std::to_string(v) + "eb" + std::to_string(block));
        ASSERT_EQ(all.size(), elements.size() * 2);
        for (std::size_t i = 0; i < elements.size(); ++i) {
          EXPECT_EQ(all[at * elements.size() + i], held(element_value(elements[i], (v - 1) / 7, (v - 1) % 7, s)))
              << "variable " << v << " element " << elements[i];
        }
      }
    }
    EXPECT_EQ(x.floats("vals_elem_var57eb3")[at], held(exact("-0.75e-3") * s - exact("0.25e-2")));
    EXPECT_EQ(x.floats("vals_elem_var58eb3")[at], held(exact("-1.5e4") * s));
    // The figures of summary.csv: displacement, effective stress, ip
    // effective stress, lowest and highest temperature.
    const std::vector<std::string> row = split(summary[static_cast<std::size_t>(s)].substr(0, summary[static_cast<std::size_t>(s)].size() - 1), ',');
    const std::vector<float> globals = x.floats("vals_glo_var");
    ASSERT_EQ(globals.size(), 10u);
    std::size_t g = at * 5;
    for (const int column : {1, 3, 5, 7, 8}) {
      EXPECT_EQ(globals[g++], held(std::stod(row[static_cast<std::size_t>(column)]))) << "summary column " << column;
    }
  }
  // Beyond a float's range: the largest float of the value's sign.
  EXPECT_EQ(x.floats("vals_elem_var1eb1")[3], FLT_MAX);
  EXPECT_EQ(x.floats("vals_elem_var2eb1")[3], -FLT_MAX);
}

// netCDF's own dump of the header: the file is one of the 64-bit-offset
// format, and its steps are the records.
TEST(ExodusFile, NcdumpReadsTheHeader) {
  if (std::system("command -v ncdump > /dev/null 2>&1") != 0) GTEST_SKIP() << "ncdump (netcdf-bin) is not installed";
  ScratchDir dir;
  write_listing_file(three_elements(2), "n3dhsp");
  run_listing(2, true);
  ASSERT_EQ(std::system("ncdump -k model.exo > kind.txt && ncdump -h model.exo > header.txt"), 0);
  EXPECT_EQ(read_file("kind.txt"), "64-bit offset\n");
  const std::string header = read_file("header.txt");
  for (const char* line : {"\ttime_step = UNLIMITED ; // (2 currently)\n", "\tnum_nodes = 21 ;\n",
                           "\tfloat vals_elem_var56eb2(time_step, num_el_in_blk2) ;\n",
                           "\t\tconnect3:elem_type = \"BAR2\" ;\n", "\t\t:floating_point_word_size = 4 ;\n",
                           "\t\t:title = \"three elements, two materials\" ;\n"}) {
    EXPECT_NE(header.find(line), std::string::npos) << line;
  }
}

// The stored file is this fixture's model.exo as the Linux program wrote it
// and netCDF's library read it back (the test above): the program writes
// the same bytes on every run and every system. (A change of the format
// stores it anew: MERIDIAN_STORE_EXODUS=1 exodus_tests on Linux.)
TEST(ExodusFile, TheSameBytesOnEveryRunAndSystem) {
  const fs::path stored_file = fs::path(MERIDIAN_SOURCE_DIR) / "tests" / "exodus" / "three_elements.exo";
  for (int run = 0; run < 2; ++run) {
    ScratchDir dir;
    write_listing_file(three_elements(2), "n3dhsp");
    run_listing(2, true);
    if (run == 0 && std::getenv("MERIDIAN_STORE_EXODUS") != nullptr) fs::copy_file("model.exo", stored_file, fs::copy_options::overwrite_existing);
    EXPECT_TRUE(read_file("model.exo") == read_file(stored_file)) << "run " << run;
  }
}

// Jobs that write while they read and those that store the steps first
// (job 6 with a spring, job 1 answering on the console): every other file
// and the console the same with and without the option, and model.exo the
// same in both.
TEST(ExodusFile, OtherFilesAreTheSameWithAndWithoutTheOption) {
  std::string exodus;
  for (const std::int32_t job : {1, 2, 6}) {
    std::map<std::string, std::string> files[2];
    for (const bool with : {false, true}) {
      ScratchDir dir;
      write_listing_file(three_elements(2), "n3dhsp");
      InputFile input = InputFile::from_text("console", job == 1 ? "10\n" : "");
      OutputFile output = OutputFile::in_memory("console");
      Console console{input, output};
      RunOptions options;
      options.exodus = with;
      run_job(job, options, console);
      output.flush();
      for (const std::string& name : dir.files()) files[with][name] = read_file(dir.path() / name);
      files[with]["(console)"] = output.contents();
    }
    ASSERT_EQ(files[1].count("model.exo"), 1u);
    if (exodus.empty()) exodus = files[1]["model.exo"];
    EXPECT_TRUE(files[1]["model.exo"] == exodus) << "job " << job;
    files[1].erase("model.exo");
    EXPECT_TRUE(files[0] == files[1]) << "job " << job;
  }
}

}  // namespace
}  // namespace meridian::testing
