// The listing phase of the jobs: model view, the scale-factor dialogue, step
// results, and for job 4 the spring rewrite or "no spring".

#include "driver/run_job.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "records/fatal.hpp"
#include "support/listing_writer.hpp"
#include "support/scratch_dir.hpp"

namespace meridian::testing {
namespace {

namespace fs = std::filesystem;

class ReadListing : public ::testing::Test {
 protected:

  // Runs the listing phase of a job with `answer` typed on the console; returns the console
  // output, or the fatal message after "fatal: ".
  std::string run(std::int32_t job_code, const std::string& answer) {
    InputFile input = InputFile::from_text("console", answer);
    OutputFile output = OutputFile::in_memory("console");
    Console console{input, output};
    try {
      run_listing_outputs(job_row(job_code), RunOptions{}, console);
    } catch (const FatalError& error) {
      output.flush();
      return output.contents() + "fatal: " + error.what();
    }
    output.flush();
    return output.contents();
  }

  static std::string file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  testing::ScratchDir scratch_;
};

ListingFixture small_model(int steps) {
  ListingFixture f;
  add_block(f, 1, 1, 1);
  add_simple_steps(f, steps);
  return f;
}

const std::string prompt = " \r\n Input the scale factor of presented deformation =\r\n";

TEST_F(ReadListing, JobOneAsksTheScaleFactorOnce) {
  write_listing_file(small_model(2), "n3dhsp");
  EXPECT_EQ(run(1, "2.5\n"), prompt);
  EXPECT_TRUE(fs::exists("model_load.dat"));
  EXPECT_TRUE(fs::exists("model_stress_1.dat"));
  EXPECT_TRUE(fs::exists("model_stress_2.dat"));
  EXPECT_FALSE(fs::exists("model_stress_3.dat"));
}

TEST_F(ReadListing, JobOneAsksAlsoWithoutTimeSteps) {
  write_listing_file(small_model(0), "n3dhsp");
  EXPECT_EQ(run(1, "1.0\n"), prompt);
  EXPECT_TRUE(fs::exists("model_load.dat"));
  EXPECT_FALSE(fs::exists("model_stress_1.dat"));
}

TEST_F(ReadListing, TheAnswerScalesTheDeformation) {
  write_listing_file(small_model(1), "n3dhsp");
  ASSERT_EQ(run(1, "0\n"), prompt);
  // Scale 0: node 1 stays at the origin although it moved.
  const std::string stress = file("model_stress_1.dat");
  const std::size_t first_node = stress.find("BRICK\r\n") + 7;
  EXPECT_EQ(stress.substr(first_node, 20), " 0.0000000000000E+00");
}

TEST_F(ReadListing, OtherJobsAskNothing) {
  write_listing_file(small_model(1), "n3dhsp");
  EXPECT_EQ(run(2, ""), "");
  EXPECT_TRUE(fs::exists("model_stress_1.dat"));
}

TEST_F(ReadListing, JobFourWithoutSpringsSaysSo) {
  write_listing_file(small_model(1), "n3dhsp");
  EXPECT_EQ(run(4, ""), " no spring\r\n");
  EXPECT_FALSE(fs::exists("nikein"));
}

TEST_F(ReadListing, AnAnswerThatIsNoNumberEndsTheRun) {
  write_listing_file(small_model(1), "n3dhsp");
  const std::string output = run(1, "abc\n");
  ASSERT_EQ(output.rfind(prompt + "fatal: console", 0), 0u) << output;
  EXPECT_TRUE(fs::exists("model_load.dat"));
  EXPECT_FALSE(fs::exists("model_stress_1.dat"));
}

TEST_F(ReadListing, NoAnswerEndsTheRun) {
  write_listing_file(small_model(1), "n3dhsp");
  const std::string output = run(1, "");
  ASSERT_EQ(output.rfind(prompt + "fatal: console", 0), 0u) << output;
  EXPECT_NE(output.find("end of file"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists("model_stress_1.dat"));
}

TEST_F(ReadListing, MissingListingEndsTheRunAndCreatesNothing) {
  EXPECT_EQ(run(1, "1.0\n"), "fatal: n3dhsp: the input file is missing");
  EXPECT_TRUE(scratch_.files().empty());
}

TEST_F(ReadListing, ScaleGivenAsksNothing) {
  write_listing_file(small_model(1), "n3dhsp");
  InputFile input = InputFile::from_text("console", "");
  OutputFile output = OutputFile::in_memory("console");
  Console console{input, output};
  RunOptions options;
  options.scale = 10.0;
  run_listing_outputs(job_row(1), options, console);
  output.flush();
  EXPECT_EQ(output.contents(), "");
  const std::string with_option = file("model_stress_1.dat");
  EXPECT_EQ(run(1, "10\n"), prompt);
  EXPECT_EQ(file("model_stress_1.dat"), with_option);
}

TEST_F(ReadListing, BadListingWritesNothing) {
  ListingFixture f = small_model(1);
  f.elements[0].nodes[2] = 9;
  write_listing_file(f, "n3dhsp");
  const std::string output = run(1, "1.0\n");
  EXPECT_NE(output.find("fatal: n3dhsp, line"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists("model_load.dat"));
  EXPECT_FALSE(fs::exists("model_stress_1.dat"));
}

}  // namespace
}  // namespace meridian::testing
