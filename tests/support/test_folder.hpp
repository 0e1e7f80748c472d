#pragma once
// A test fixture with a folder of its own per test (named after the process
// and the test, removed afterwards), for tests that name their files by path.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.hpp"

namespace meridian::testing {

class TestFolder : public ::testing::Test {
 protected:
  explicit TestFolder(std::string prefix) : prefix_(std::move(prefix)) {}
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (prefix_ + std::to_string(platform::process_id()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string slurp(const std::string& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
  }
  // The names in the folder that `keep` accepts.
  std::vector<std::string> names_where(const std::function<bool(std::string_view)>& keep) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (keep(name)) names.push_back(name);
    }
    return names;
  }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
};

}  // namespace meridian::testing
