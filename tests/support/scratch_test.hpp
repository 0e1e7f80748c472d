#pragma once
// A test fixture that runs each test in its own scratch directory, with the
// file helpers the file-writing tests share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_dir.hpp"

namespace meridian::testing {

class ScratchTest : public ::testing::Test {
 protected:
  static void write_file(const std::string& name, const std::string& bytes) {
    testing::write_file(name, bytes);
  }
  static std::string read_file(const std::string& name) { return testing::read_file(name); }
  // The names of the files in the scratch directory, sorted.
  std::vector<std::string> directory_names() const {
    const auto names = scratch_.files();
    return {names.begin(), names.end()};
  }

 private:
  ScratchDir scratch_;
};

}  // namespace meridian::testing
