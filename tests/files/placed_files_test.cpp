// Results put in place by one run: a later result never silently replaces an
// earlier one that the file system takes for the same file.

#include "files/placed_files.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "support/scratch_test.hpp"
#include "support/system_traits.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;

// Puts `bytes` in place under `name` (in the working folder) as a result of
// the run that keeps `placed`.
void place(PlacedFiles& placed, const std::string& name, const std::string& bytes) {
  OutputFile out = OutputFile::create_replacing(name, &placed);
  out.write_bytes(bytes);
  out.close();
}

// The message of the failed placing of `second` after `first`; empty when it
// is put in place.
std::string second_placing_fails(const std::string& first, const std::string& second) {
  PlacedFiles placed;
  place(placed, first, "first");
  try {
    place(placed, second, "second");
  } catch (const FatalError& error) {
    return error.what();
  }
  return {};
}

bool temporaries_left(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(".meridian-")) return true;
  }
  return false;
}

class PlacedFilesTest : public testing::ScratchTest {};

// Whether the working folder ignores letter case (Windows, and Wine on any
// file system).
bool folder_ignores_case() {
  testing::write_file("case_probe_X", "");
  const bool ignores = fs::exists("case_probe_x");
  fs::remove("case_probe_X");
  return ignores;
}

TEST_F(PlacedFilesTest, NamesOfTheirOwnArePutInPlace) {
  // The same name twice (job 0 writes model_load.dat for the listing and for
  // the generated model).
  EXPECT_EQ(second_placing_fails("model_load.dat", "model_load.dat"), "");
  EXPECT_EQ(read_file("model_load.dat"), "second");
  // Names that differ in case: two files where case counts, a stopped run
  // where it does not.
  const std::string message = second_placing_fails("model_stress_A.dat", "model_stress_a.dat");
  EXPECT_EQ(read_file("model_stress_A.dat"), "first");
  if (folder_ignores_case()) {
    EXPECT_TRUE(message.starts_with("model_stress_a.dat: the file system does not tell this name "
                                    "apart from model_stress_A.dat"))
        << message;
  } else {
    EXPECT_EQ(message, "");
    EXPECT_EQ(read_file("model_stress_a.dat"), "second");
  }
}

TEST_F(PlacedFilesTest, AnotherNameOfAFilePutInPlaceStopsTheRun) {
  PlacedFiles placed;
  place(placed, "model_stress_1.dat", "first");
  fs::create_hard_link("model_stress_1.dat", "model_stress_2.dat");
  try {
    place(placed, "model_stress_2.dat", "second");
    FAIL() << "put in place over model_stress_1.dat";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(),
                 "model_stress_2.dat: the file system does not tell this name apart from "
                 "model_stress_1.dat, written earlier in this run, so the new file is not put in "
                 "place; run with --portable-names to give every file a name of its own");
  }
  EXPECT_EQ(read_file("model_stress_1.dat"), "first");
  EXPECT_FALSE(temporaries_left("."));
}

TEST_F(PlacedFilesTest, ANumberTakenOverFromAReplacedFileIsNoClash) {
  // Another run in the folder replaced model_stress_1.dat after this run put
  // it in place, and the file's number went to model_stress_2.dat.
  write_file("model_stress_1.dat", "the other run's");
  write_file("model_stress_2.dat", "earlier");
  PlacedFiles placed;
  placed.add("model_stress_1.dat", platform::identity("model_stress_2.dat"));
  place(placed, "model_stress_2.dat", "second");
  EXPECT_EQ(read_file("model_stress_2.dat"), "second");
}

// On a mounted file system that ignores letter case (the file-system check
// sets MERIDIAN_FOLDING_DIR to a folder on exFAT).
TEST(PlacedFilesOnFoldingMount, TheSecondSpellingStopsTheRun) {
  const char* folder = std::getenv("MERIDIAN_FOLDING_DIR");
  if (folder == nullptr) GTEST_SKIP() << "MERIDIAN_FOLDING_DIR names no folding mount";
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  fs::remove("model_stress_A.dat");
  const std::string message = second_placing_fails("model_stress_A.dat", "model_stress_a.dat");
  EXPECT_NE(message.find("model_stress_a.dat: the file system does not tell this name apart from "
                         "model_stress_A.dat"),
            std::string::npos)
      << message;
  EXPECT_EQ(testing::read_file("model_stress_A.dat"), "first");
  EXPECT_FALSE(temporaries_left("."));
  fs::remove("model_stress_A.dat");
  fs::current_path(previous);
}

TEST(RefusedNames, OnlyARefusedCreationOfANameWithAnUncommonCharacter) {
  struct Case {
    std::string path;
    int errno_value;
    bool refused;
  };
  const std::vector<Case> cases = {
      {"model_stress_:.dat", ENOENT, true},     {"dir/edge_node_?.csv", EINVAL, true},
      {"interface_m_|.dat", EILSEQ, true},      {"model_stress_10.dat", ENOENT, false},
      {"model_stress_:.dat", EACCES, false},    {"model_stress_:.dat", ENOSPC, false},
      {"dir:x/model_stress_1.dat", EINVAL, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!refused_name_reason(c.path, c.errno_value).empty(), c.refused) << c.path;
  }
}

// Held results stay under their temporary names until they are placed, in
// the order they were closed, a link's bytes written through it; held results
// never placed are removed, and the earlier files stay.
TEST_F(PlacedFilesTest, HeldResultsArePlacedTogetherOrNotAtAll) {
  const bool links = testing::has_permission_bits_and_links;
  for (const bool placing : {false, true}) {
    testing::write_file("b.dat", "earlier b");
    testing::write_file("user.txt", "the user's");
    if (links) fs::create_symlink("user.txt", "link.dat");
    {
      PlacedFiles placed;
      placed.hold_results();
      place(placed, "a.dat", "new a");
      place(placed, "b.dat", "new b");
      if (links) place(placed, "link.dat", "through the link");
      EXPECT_FALSE(fs::exists("a.dat"));
      EXPECT_EQ(read_file("b.dat"), "earlier b");
      EXPECT_EQ(read_file("user.txt"), "the user's");
      EXPECT_EQ(placed.held_count(), links ? 3u : 2u);
      if (placing) place_held_results(placed);
    }
    EXPECT_FALSE(temporaries_left(fs::current_path()));
    EXPECT_EQ(fs::exists("a.dat"), placing);
    EXPECT_EQ(read_file("b.dat"), placing ? "new b" : "earlier b");
    EXPECT_EQ(read_file("user.txt"), placing && links ? "through the link" : "the user's");
    EXPECT_EQ(fs::is_symlink("link.dat"), links);
    for (const char* name : {"a.dat", "b.dat", "user.txt", "link.dat"}) fs::remove(name);
  }
}

// Held results meet the checks of a file put in place at once: the first
// clash stops the placing there, those before it in place, it and the rest
// removed.
TEST_F(PlacedFilesTest, HeldResultsMeetTheSameChecks) {
  PlacedFiles placed;
  place(placed, "x.dat", "first");
  fs::create_hard_link("x.dat", "y.dat");  // another name of the same file
  placed.hold_results();
  place(placed, "before.dat", "held 1");
  place(placed, "y.dat", "held 2");
  place(placed, "after.dat", "held 3");
  EXPECT_THROW(place_held_results(placed), FatalError);
  EXPECT_EQ(read_file("before.dat"), "held 1");
  EXPECT_EQ(read_file("x.dat"), "first");
  EXPECT_FALSE(fs::exists("after.dat"));
  EXPECT_FALSE(temporaries_left(fs::current_path()));
}

}  // namespace
}  // namespace meridian
