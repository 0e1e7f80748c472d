// The step and interface suffixes of file names.

#include "model/file_names.hpp"

#include <gtest/gtest.h>

namespace meridian {
namespace {

TEST(FileNames, StepCharacters) {
  EXPECT_EQ(step_suffix(1), "1");
  EXPECT_EQ(step_suffix(9), "9");
  EXPECT_EQ(step_suffix(10), ":");
  EXPECT_EQ(step_suffix(11), ";");
  EXPECT_EQ(step_suffix(78), "~");
  EXPECT_EQ(step_suffix(79), "79");
  EXPECT_EQ(step_suffix(1000), "1000");
}

}  // namespace
}  // namespace meridian
