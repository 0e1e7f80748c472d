// A write beyond the process's file size limit (the fuzz harnesses cap every
// file at 64 MiB) ends the run with the file's "cannot write" message and
// removes the incomplete file, instead of killing the process.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "records/fatal.hpp"
#include "files/output_file.hpp"

namespace meridian {
namespace {

class FileSizeLimit : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() / ("meridian_fsize_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_limit_), 0);
    saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_limit_;
    lowered.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  }
  void TearDown() override {
    setrlimit(RLIMIT_FSIZE, &saved_limit_);
    std::signal(SIGXFSZ, saved_handler_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  rlimit saved_limit_{};
  void (*saved_handler_)(int) = SIG_DFL;
};

TEST_F(FileSizeLimit, WriteBeyondTheLimitEndsTheRunAndRemovesTheFile) {
  const std::string path = (dir_ / "model_load.dat").string();
  const std::string record(999, 'x');  // 1001 bytes with CR LF
  try {
    OutputFile out = OutputFile::create(path);
    for (int i = 0; i < 2000; ++i) out.write_record(record);
    out.close();
    FAIL() << "the write did not fail";
  } catch (const FatalError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind(path + ": cannot write: ", 0), 0u) << message;
    EXPECT_NE(message.find("; the incomplete file is removed"), std::string::npos) << message;
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileSizeLimit, FilesBelowTheLimitAreWritten) {
  const std::string path = (dir_ / "small.dat").string();
  OutputFile out = OutputFile::create(path);
  for (int i = 0; i < 1000; ++i) out.write_record(std::string(998, 'y'));
  out.close();
  EXPECT_EQ(std::filesystem::file_size(path), 1000u * 1000u);
}

}  // namespace
}  // namespace meridian
