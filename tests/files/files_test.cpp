// Opening, reading and writing record files.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/input_file.hpp"
#include "files/output_file.hpp"

namespace meridian {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("meridian_files_" + std::to_string(platform::process_id()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::filesystem::path dir_;
};

TEST_F(FilesTest, MissingInputIsCreatedEmptyAndReadsAsEndOfFile) {
  InputFile in = InputFile::open(path("n3dhsp"));
  std::string_view line;
  EXPECT_FALSE(in.next_line(line));
  EXPECT_TRUE(std::filesystem::exists(path("n3dhsp")));
  EXPECT_EQ(std::filesystem::file_size(path("n3dhsp")), 0u);
  try {
    in.require_line("the title block");
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), path("n3dhsp") + ", line 1: end of file while reading the title block");
  }
}

TEST_F(FilesTest, RecordsDropTheirCrLfAndTheLastNeedsNoLineEnd) {
  std::ofstream(path("deck"), std::ios::binary) << "one\r\ntwo\n\r\nlast";
  InputFile in = InputFile::open(path("deck"));
  std::string_view line;
  const char* expected[] = {"one", "two", "", "last"};
  for (const char* text : expected) {
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, text);
  }
  EXPECT_FALSE(in.next_line(line));
  EXPECT_EQ(in.line_number(), 4);
}

TEST_F(FilesTest, RecordsLongerThanTheBufferAndManyRecords) {
  const std::string long_line(3 << 20, 'x');
  {
    std::ofstream out(path("big"), std::ios::binary);
    out << "head\n" << long_line << "\n";
    for (int i = 0; i < 200000; ++i) out << "row " << i << "\n";
  }
  InputFile in = InputFile::open(path("big"));
  std::string_view line;
  ASSERT_TRUE(in.next_line(line));
  ASSERT_TRUE(in.next_line(line));
  EXPECT_EQ(line.size(), long_line.size());
  for (int i = 0; i < 200000; ++i) {
    ASSERT_TRUE(in.next_line(line));
    ASSERT_EQ(line, "row " + std::to_string(i));
  }
  EXPECT_FALSE(in.next_line(line));
}

TEST_F(FilesTest, OutputIsEmptiedOnOpenAndEveryRecordEndsWithCrLf) {
  std::ofstream(path("model_load.dat")) << "an earlier run's contents, longer than the new ones";
  {
    OutputFile out = OutputFile::create(path("model_load.dat"));
    out.write_record("TITLE");
    out.write_record("");
    out.close();
  }
  EXPECT_EQ(slurp(path("model_load.dat")), "TITLE\r\n\r\n");
  {
    OutputFile out = OutputFile::create(path("model_load.dat"));
    out.close();
  }
  EXPECT_EQ(slurp(path("model_load.dat")), "");
}

TEST_F(FilesTest, LargeOutputThroughReserve) {
  {
    OutputFile out = OutputFile::create(path("big.dat"));
    for (int i = 0; i < 100000; ++i) {
      char* area = out.reserve(10);
      std::memcpy(area, "12345678\r\n", 10);
      out.commit(10);
    }
    // A record larger than the buffer.
    out.write_record(std::string(1 << 20, 'y'));
  }
  EXPECT_EQ(std::filesystem::file_size(path("big.dat")), 100000u * 10 + (1u << 20) + 2);
}

TEST_F(FilesTest, FailuresNameTheFile) {
  std::filesystem::create_directories(path("adir"));
  EXPECT_THROW(OutputFile::create(path("adir")), FatalError);
  EXPECT_THROW(OutputFile::create(path("missing_dir/file")), FatalError);
  EXPECT_THROW(InputFile::open_existing(path("nothing")), FatalError);
  try {
    InputFile in = InputFile::open(path("adir"));
    std::string_view line;
    in.next_line(line);
    FAIL() << "no error";
  } catch (const FatalError& error) {
    EXPECT_NE(std::string(error.what()).find("adir"), std::string::npos);
  }
  if (std::filesystem::exists("/dev/full")) {
    OutputFile out = OutputFile::create("/dev/full");
    out.write_record("x");
    EXPECT_THROW(out.close(), FatalError);
  }
}

}  // namespace
}  // namespace meridian
