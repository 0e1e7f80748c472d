#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "driver/run_job.hpp"
#include "generator/generator_harness.hpp"
#include "records/fatal.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

const char* const card_file_names[] = {"out_node.txt", "out_element.txt", "out_interface.txt",
                                       "out_load.txt", "out_spring.txt"};

struct ConsoleFiles {
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
};

std::set<std::string> names_in(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The generator's reference runs: each input directory copied into a fresh
// directory, run_generator run there, and every expected file compared byte for
// byte. The banner and waiting line of the expected standard output belong to
// the driver; the generator's own console output is what follows them.
class GoldenRuns : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenRuns, MatchExpectedFiles) {
  const fs::path golden = fs::path(MERIDIAN_GOLDEN_DIR) / GetParam();
  if (!fs::exists(golden)) GTEST_SKIP() << "no reference case " << golden;
  const std::string expected_stdout = read_file(golden / "expected" / "stdout");
  const std::string waiting = " Please waiting ... \r\n";
  const std::size_t generator_output = expected_stdout.find(waiting);
  ASSERT_NE(generator_output, std::string::npos);

  TempDir directory;
  fs::copy(golden / "input", directory.path(), fs::copy_options::recursive);
  ConsoleFiles console;
  bool stopped = false;
  try {
    run_generator(job_row(0), RunOptions{}, console.console);
  } catch (const RunStopped& stop) {
    stopped = stop.status() != 0;
  }
  console.output.flush();
  EXPECT_EQ(console.output.contents(), expected_stdout.substr(generator_output + waiting.size()));
  EXPECT_EQ(stopped, read_file(golden / "run.json").find("\"nonzero\"") != std::string::npos);

  std::set<std::string> expected_names = names_in(golden / "input");
  for (const auto& entry : fs::directory_iterator(golden / "expected")) {
    const std::string name = entry.path().filename().string();
    if (name == "stdout") continue;
    expected_names.insert(name);
    ASSERT_TRUE(fs::exists(directory.path() / name)) << name;
    EXPECT_TRUE(read_file(entry.path()) == read_file(directory.path() / name))
        << name << " differs";
  }
  EXPECT_EQ(names_in(directory.path()), expected_names);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenRuns,
                         ::testing::Values("gen_worked_example", "gen_block_2x1x1_connectivity",
                                           "gen_constraint_sequences", "gen_constraint_code_8"));

TEST(GeneratorRun, MissingParameterFileCreatesNoCardFile) {
  TempDir directory;
  ConsoleFiles console;
  try {
    run_generator(job_row(0), RunOptions{}, console.console);
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(), "parameter_in.txt: the input file is missing");
  }
  EXPECT_TRUE(directory.files().empty());
}

TEST(GeneratorRun, EmptyParameterFileLeavesEmptyCardFiles) {
  TempDir directory;
  write_file("parameter_in.txt", "");
  ConsoleFiles console;
  try {
    run_generator(job_row(0), RunOptions{}, console.console);
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(),
                 "parameter_in.txt, line 1: end of file while reading the count record of the "
                 "blocks section");
  }
  for (const char* name : card_file_names) EXPECT_EQ(read_file(name), "") << name;
}

TEST(GeneratorRun, EarlierCardFilesAreEmptiedByABadRun) {
  TempDir directory;
  for (const char* name : card_file_names) write_file(name, "stale card\r\n");
  write_file("parameter_in.txt", "* blocks\n1\n1 1 1 1\n0 1 1\n0 1 1\n0 1 1\n0 1\n* c\n9\n");
  ConsoleFiles console;
  EXPECT_THROW(run_generator(job_row(0), RunOptions{}, console.console), RunStopped);
  for (const char* name : card_file_names) EXPECT_EQ(read_file(name), "") << name;
}

TEST(GeneratorRun, WritesTheModelViewWithOneZonePerBlock) {
  TempDir directory;
  write_file("parameter_in.txt", testing::lines({"* two blocks",
                                                 "2",
                                                 "1 1 1 1",
                                                 "0 2 2",
                                                 "0 1 1",
                                                 "0 1 1",
                                                 "0 1",
                                                 "1 1 1 1",
                                                 "5 6 1",
                                                 "0 1 1",
                                                 "0 3 3",
                                                 "0 3",
                                                 "* c",
                                                 "0",
                                                 "1 0 0 0 0 0 0",
                                                 "*",
                                                 "1",
                                                 "1 0 2 0 1",
                                                 "2 5 6 0 1",
                                                 "1",
                                                 "0",
                                                 "1",
                                                 "2.5 2 5 6 0 1 0 0",
                                                 "0",
                                                 "0"}));
  ConsoleFiles console;
  run_generator(job_row(0), RunOptions{}, console.console);
  const std::string view = read_file("model_load.dat");
  EXPECT_NE(view.find("ZONE T=\"nn.1\"\r\nN=   28,E=    2,F=FEPOINT,ET=BRICK\r\n"),
            std::string::npos);
  EXPECT_NE(view.find("ZONE T=\"nn.2\"\r\nN=   28,E=    3,F=FEPOINT,ET=BRICK\r\n"),
            std::string::npos);
  // The temperature column carries the spring-region stiffness (node 13 of
  // block 2 at x = 5, y = 0, z = 0).
  EXPECT_NE(view.find(" 0.5000000000000E+01  0.0000000000000E+00  0.0000000000000E+00 0 0 0 0 "
                      "0 0  0.0000000000000E+00  0.0000000000000E+00  0.0000000000000E+00  "
                      "0.2500000000000E+01\r\n"),
            std::string::npos);
  // One interface at z = 1: a zone file for each side.
  EXPECT_TRUE(fs::exists("interface_m_1.dat"));
  EXPECT_TRUE(fs::exists("interface_s_1.dat"));
  EXPECT_EQ(read_file("out_interface.txt"),
            testing::crlf({"           2           2", "       1       7       8      11      10",
                           "       2       8       9      12      11",
                           // The inner level of block 2: top of element 3, bottom of 4.
                           "       1      17      18      20      19",
                           "       2      17      18      20      19"}));
}

}  // namespace
}  // namespace meridian
