// The progress line: throttled to ten updates a second on an injected clock,
// erased with blanks.

#include "driver/progress_line.hpp"

#include "driver/listing_follower.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
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

using std::chrono::seconds;

struct FollowingText {
  std::int32_t step, step_count;
  std::optional<seconds> quiet, left;
  const char* text;
};

TEST(ProgressLine, FollowingTexts) {
  const std::vector<FollowingText> cases = {
      {-1, 0, seconds{7}, {}, "meridian: waiting for n3dhsp to appear (7 s)"},
      {0, 0, {}, {}, "meridian: following n3dhsp: reading the model"},
      {0, 0, seconds{59}, {}, "meridian: following n3dhsp: waiting for the model, quiet for 59 s"},
      {4, 10, {}, seconds{60}, "meridian: following n3dhsp: reading step 4 of 10, about 1 min left"},
      {4, 10, seconds{125}, seconds{7500},
       "meridian: following n3dhsp: waiting for step 4 of 10, quiet for 2 min, about 2 h 5 min left"},
  };
  for (const FollowingText& c : cases) {
    EXPECT_EQ(ProgressLine::following_text("n3dhsp", c.step, c.step_count, c.quiet, c.left), c.text);
  }
}

// The time left: the pace of the steps so far times the steps to come, less
// the time the awaited step has taken already, never below zero.
TEST(ListingFollower, EstimatesTheTimeLeftFromThePaceOfTheSteps) {
  ListingFollower follower("n3dhsp", seconds{600}, nullptr);
  const ListingFollower::Clock::time_point t0{};
  follower.model_read(10, t0);
  EXPECT_FALSE(follower.time_left(t0 + seconds{5})) << "no pace before the first step";
  follower.step_read(1, t0 + seconds{30});
  follower.step_read(2, t0 + seconds{60});
  EXPECT_EQ(follower.time_left(t0 + seconds{60}), seconds{240});
  EXPECT_EQ(follower.time_left(t0 + seconds{100}), seconds{200});
  EXPECT_EQ(follower.time_left(t0 + seconds{1000}), seconds{0});
  follower.step_read(10, t0 + seconds{300});
  EXPECT_FALSE(follower.time_left(t0 + seconds{300})) << "nothing left to estimate";
}

}  // namespace
}  // namespace meridian::testing
