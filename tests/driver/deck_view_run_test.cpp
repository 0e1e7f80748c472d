// The deck viewer end to end, in a fresh directory: nikein.txt in, the model
// view and interface zone files out, compared byte for byte with records
// written out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_job.hpp"
#include "records/fatal.hpp"
#include "support/scratch_test.hpp"
#include "two_node_deck.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;

class DeckViewer : public testing::ScratchTest {};

using testing::deck_head;
using testing::deck_nodes_and_element;
using testing::deck_temperatures;

const std::string model_header =
    "TITLE=\"Model\"\r\n"
    "VARIABLES=\"X\",\"Y\",\"Z\",\"Constrain X\",\"Constrain Y\",\"Constrain Z\"\r\n"
    "\"Spring X\",\"Spring Y\",\"Spring Z\"\r\n"
    "\"Load_ 1 X\",\"Load_ 1 Y\",\"Load_ 1 Z\"\r\n"
    "\"Temperature\"\r\n";
const std::string model_zone =
    "ZONE T=\"nn.1\"\r\n"
    "N=    2,E=    1,F=FEPOINT,ET=BRICK\r\n"
    " 0.0000000000000E+00  0.0000000000000E+00  0.0000000000000E+00 1 1 1 0 0 0"
    "  0.0000000000000E+00  0.0000000000000E+00  0.0000000000000E+00  0.1000000000000E+02\r\n"
    " 0.1500000000000E+01 -0.2500000000000E+00  0.1000000000000E+01 0 1 0 0 0 0"
    "  0.0000000000000E+00  0.0000000000000E+00  0.0000000000000E+00  0.3000000000000E+02\r\n"
    "       1       2       2       1       1       2       2       1\r\n";

TEST_F(DeckViewer, DeckWithoutInterfacesWritesOneZoneAndNoInterfaceFile) {
  write_file("nikein.txt", deck_head + "    1        2        1         1         0    1    0\n" +
                               deck_nodes_and_element + deck_temperatures);
  run_deck_view(job_row(5), RunOptions{});
  EXPECT_EQ(read_file("model_load.dat"), model_header + model_zone);
  EXPECT_EQ(directory_names(), (std::vector<std::string>{"model_load.dat", "nikein.txt"}));
}

TEST_F(DeckViewer, DeckWithAnInterfaceWritesBothSides) {
  write_file("nikein.txt", deck_head + "    1        2        1         1         0    1    1\n" +
                               deck_nodes_and_element +
                               "       1       1       0       0       0       0       0       0\n"
                               "       1       1       2       2       1\n"
                               "       1       2       1       1       2\n" +
                               deck_temperatures);
  run_deck_view(job_row(5), RunOptions{});
  EXPECT_EQ(read_file("model_load.dat"), model_header + model_zone);
  const std::string nodes =
      " 0.0000000000000E+00  0.0000000000000E+00  0.0000000000000E+00\r\n"
      " 0.1500000000000E+01 -0.2500000000000E+00  0.1000000000000E+01\r\n";
  EXPECT_EQ(read_file("interface_m_1.dat"),
            "TITLE=\"Interface_m_1\"\r\nVARIABLES=\"X\",\"Y\",\"Z\"\r\n"
            "ZONE N=    2,E=    1,F=FEPOINT,ET=QUADRILATERAL\r\n" +
                nodes + "       1       2       2       1\r\n");
  EXPECT_EQ(read_file("interface_s_1.dat"),
            "TITLE=\"Interface_s_1\"\r\nVARIABLES=\"X\",\"Y\",\"Z\"\r\n"
            "ZONE N=    2,E=    1,F=FEPOINT,ET=QUADRILATERAL\r\n" +
                nodes + "       2       1       1       2\r\n");
}

TEST_F(DeckViewer, DeckWithoutElementsHasNoZone) {
  write_file("nikein.txt", deck_head + "    1        2        0         1         0    1    0\n" +
                               "*****Nodal point cards\n"
                               "       1    0   0.00000000000E+00   0.00000000000E+00   0.0\n"
                               "       2    0   0.00000000000E+00   0.00000000000E+00   0.0\n"
                               "*\n*\n*\n*\n*\n" +
                               deck_temperatures);
  run_deck_view(job_row(5), RunOptions{});
  EXPECT_EQ(read_file("model_load.dat"), model_header);
}

TEST_F(DeckViewer, MissingDeckEndsTheRunAndCreatesNothing) {
  try {
    run_deck_view(job_row(5), RunOptions{});
    FAIL() << "a missing deck must end the run";
  } catch (const FatalError& error) {
    EXPECT_STREQ(error.what(), "nikein.txt: the input file is missing");
  }
  EXPECT_EQ(directory_names(), std::vector<std::string>{});
}

TEST_F(DeckViewer, BadDeckWritesNoView) {
  write_file("nikein.txt", deck_head + "    1        2        1         1         0    1    0\n" +
                               "*****Nodal point cards\n"
                               "       1    0   0.00000000000E+00   0.00000000000E+00   0.0\n"
                               "       2    0   0.00000000000E+00   0.00000000000E+00   0.0\n"
                               "*\n*\n"
                               "       1    1       1       2       3       1       1       2"
                               "       2       1\n");
  try {
    run_deck_view(job_row(5), RunOptions{});
    FAIL() << "an element naming node 3 of 2 must end the run";
  } catch (const FatalError& error) {
    EXPECT_NE(std::string(error.what()).find("nikein.txt, line 9: the element names node 3"),
              std::string::npos)
        << error.what();
  }
  EXPECT_EQ(directory_names(), std::vector<std::string>{"nikein.txt"});
}

}  // namespace
}  // namespace meridian
