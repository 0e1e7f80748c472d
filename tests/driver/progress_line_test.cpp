// The progress line: throttled to ten updates a second on an injected clock,
// erased with blanks.

#include "driver/progress_line.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>


namespace meridian::testing {
namespace {

using namespace std::chrono_literals;

// A line on a fake terminal whose clock the test moves.
struct FakeTerminal {
  std::chrono::steady_clock::time_point now{};
  std::string written;
  ProgressLine line{[this](std::string_view text) { written += text; }, [this] { return now; }};
};

struct ThrottleCase {
  std::string name;
  std::vector<std::pair<std::chrono::milliseconds, std::string>> shows;  // time, text
  std::string written;
};

const std::vector<ThrottleCase> throttle_cases = {
    {"first_text_at_once", {{0ms, "a 1%"}}, "\ra 1%"},
    {"within_a_tenth_of_a_second_skipped", {{0ms, "a 1%"}, {99ms, "a 2%"}}, "\ra 1%"},
    {"after_a_tenth_of_a_second_drawn", {{0ms, "a 1%"}, {99ms, "a 2%"}, {100ms, "a 3%"}},
     "\ra 1%\ra 3%"},
    {"shorter_text_blanks_the_rest", {{0ms, "abcdef"}, {200ms, "xy"}}, "\rabcdef\rxy    "},
};

class ProgressThrottle : public ::testing::TestWithParam<ThrottleCase> {};

TEST_P(ProgressThrottle, WritesWhatTheClockAllows) {
  FakeTerminal terminal;
  for (const auto& [at, text] : GetParam().shows) {
    terminal.now = std::chrono::steady_clock::time_point{} + at;
    terminal.line.show(text);
  }
  EXPECT_EQ(terminal.written, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Shows, ProgressThrottle, ::testing::ValuesIn(throttle_cases),
                         [](const auto& info) { return info.param.name; });

TEST(ProgressLine, ClearErasesWithBlanksOnceAndTheNextShowDrawsAtOnce) {
  FakeTerminal terminal;
  terminal.line.show("abc");
  terminal.line.clear();
  terminal.line.clear();
  terminal.line.show("de");  // same instant: drawn, the line was erased
  EXPECT_EQ(terminal.written, "\rabc\r   \r\rde");
}

TEST(ProgressLine, Texts) {
  EXPECT_EQ(ProgressLine::reading_text("n3dhsp", 50, 200), "meridian: reading n3dhsp 25%");
  EXPECT_EQ(ProgressLine::reading_text("n3dhsp", 0, 0), "meridian: reading n3dhsp 100%");
  EXPECT_EQ(ProgressLine::writing_text(3, 12), "meridian: writing step 3 of 12");
}

}  // namespace
}  // namespace meridian::testing
