// The step and interface suffixes of file names.

#include "model/file_names.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "files/placed_files.hpp"

namespace meridian {
namespace {

TEST(FileNames, StepSuffixesOfBothRules) {
  struct Case {
    std::int32_t number;
    const char* characters;
    const char* portable;
  };
  const Case cases[] = {
      {1, "1", "1"},    {9, "9", "9"},    {10, ":", "10"},  {16, "@", "16"},   {17, "A", "17"},
      {42, "Z", "42"},  {43, "[", "43"},  {44, "\\", "44"}, {49, "a", "49"},   {76, "|", "76"},
      {78, "~", "78"},  {79, "79", "79"}, {100, "100", "100"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(step_suffix(c.number, StepNames::characters), c.characters) << c.number;
    EXPECT_EQ(step_suffix(c.number), c.characters) << c.number;
    EXPECT_EQ(step_suffix(c.number, StepNames::portable), c.portable) << c.number;
  }
}

TEST(FileNames, PortableNamesAreTakenEverywhereAndApartInAnyCase) {
  std::set<std::string> folded;
  for (std::int32_t n = 1; n <= 1000; ++n) {
    for (const char* stem : {"model_stress_", "interface_m_", "interface_s_", "edge_node_",
                             "diagonal_node_", "line_node_", "spring_"}) {
      std::string name = stem + step_suffix(n, StepNames::portable) + ".dat";
      EXPECT_TRUE(is_portable_name(name)) << name;
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_TRUE(folded.insert(name).second) << name;
    }
  }
}

}  // namespace
}  // namespace meridian
