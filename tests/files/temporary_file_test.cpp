// Replacing files on every system, the Windows program included: a leftover
// of a killed run goes at the next sweep while a temporary this run holds
// stays, an unfinished file leaves the earlier one, and temporary names sit
// in the folder of their final file whichever separator the path uses.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "files/temporary_file.hpp"
#include "support/test_folder.hpp"
#include "unfinished_files.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;

class TemporaryFilesTest : public testing::TestFolder {
 protected:
  TemporaryFilesTest() : TestFolder("meridian_temporaries_") {}
  std::vector<std::string> temporaries() const { return names_where(is_temporary_name); }
};

TEST_F(TemporaryFilesTest, ALeftoverGoesAndAHeldTemporaryStays) {
  const std::string leftover = ".meridian-1-0123456789abcdef-out.dat.tmp";
  std::ofstream(path(leftover)) << "never finished";
  std::ofstream(path("out.dat")) << "earlier";
  const std::string kept[] = {".meridian-notes", ".hidden.tmp", "model_stress_1.dat",
                              ".meridian-1-0123456789abcdef-dir.tmp"};
  for (int i = 0; i < 3; ++i) std::ofstream(path(kept[i])) << "x";
  fs::create_directory(path(kept[3]));

  OutputFile live = OutputFile::create_replacing(path("out.dat"));
  live.write_record("new");
  live.flush();
  ASSERT_EQ(temporaries().size(), 3u);  // the leftover, the live file, the folder
  remove_stale_temporaries(dir_.string());
  EXPECT_FALSE(fs::exists(path(leftover)));
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(path(name))) << name;
  const std::vector<std::string> left = temporaries();
  EXPECT_EQ(left.size(), 2u);  // the live file and the folder
  EXPECT_EQ(slurp(path("out.dat")), "earlier");
  live.close();
  EXPECT_EQ(slurp(path("out.dat")), "new\r\n");
  EXPECT_EQ(temporaries(), std::vector<std::string>{kept[3]});
}

TEST_F(TemporaryFilesTest, AnUnfinishedFileLeavesTheEarlierOne) {
  const testing::UnfinishedCase cases[] = {
      {"destroyed without close", true, [](OutputFile&, const std::string&) {}, ""},
      {"exception unwinds", true, [](OutputFile&, const std::string&) { throw 1; }, ""},
      {"folder at the final name when renamed", true,
       [](OutputFile& out, const std::string& final_path) {
         fs::remove(final_path);
         fs::create_directories(final_path + "/inside");
         out.close();
       },
       "cannot put the new file in place: Is a directory; the earlier file is left as it was"},
  };
  testing::expect_the_earlier_file_stays(path("model_stress_1.dat"), cases,
                                         [this] { return temporaries(); });
}

TEST(TemporaryNames, BesideTheFinalFileWhateverTheSeparator) {
  const std::string pid = std::to_string(platform::process_id());
  struct Case {
    std::string path;
    std::string folder;  // the part kept before the temporary name
  };
  std::vector<Case> cases = {{"model_load.dat", ""}, {"out/model_load.dat", "out/"}};
  if (platform::path_separators.find('\\') != std::string_view::npos) {
    cases.push_back({"C:\\runs\\case 7\\model_load.dat", "C:\\runs\\case 7\\"});
    cases.push_back({"C:/runs\\mixed/model_load.dat", "C:/runs\\mixed/"});
  }
  for (const Case& c : cases) {
    const std::string name = temporary_name_beside(c.path);
    EXPECT_EQ(name.substr(0, c.folder.size()), c.folder) << c.path;
    const std::string base = name.substr(c.folder.size());
    EXPECT_TRUE(is_temporary_name(base)) << base;
    EXPECT_TRUE(base.starts_with(".meridian-" + pid + "-")) << base;
    EXPECT_TRUE(base.ends_with("-model_load.dat.tmp")) << base;
  }
}

}  // namespace
}  // namespace meridian
