// The whole program through a pseudo-terminal (the progress line shown and
// erased) and through pipes (standard error untouched).

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "run_support.hpp"
#include "support/listing_writer.hpp"

namespace meridian::testing {
namespace {

using testing_support::fresh_directory;
using testing_support::run_meridian;

// Runs meridian in `directory` with a pseudo-terminal as its standard error
// (and output); returns everything the terminal received. The run must end
// with `status`.
std::string run_on_terminal(const std::filesystem::path& directory,
                            const std::vector<std::string>& arguments, int expected_status = 0) {
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (::chdir(directory.c_str()) != 0) _exit(127);
    std::vector<char*> argv{const_cast<char*>(MERIDIAN_BINARY)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(MERIDIAN_BINARY, argv.data());
    _exit(127);
  }
  std::string received;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // EIO once the program has ended
    received.append(buffer, static_cast<std::size_t>(got));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == expected_status) << received;
  return received;
}

ListingFixture stepped_model() {
  ListingFixture f;
  add_block(f, 2, 2, 1);
  add_simple_steps(f, 3);
  return f;
}

TEST(ProgressOnTerminal, ShownWhileReadingAndWritingThenErased) {
  const auto dir = fresh_directory("progress_terminal");
  write_listing_file(stepped_model(), (dir / "n3dhsp").string());
  const std::string screen = run_on_terminal(dir, {"--job", "2"});
  // The terminal turns LF into CR LF; the program's own CR LF shows as CR CR LF.
  const std::size_t reading = screen.find("\rmeridian: reading n3dhsp 100%");
  ASSERT_NE(reading, std::string::npos) << screen;
  // Steps are written while the next is read: what is left after the
  // reading is the last step.
  const std::size_t writing = screen.find("\rmeridian: writing step 3 of 3");
  ASSERT_NE(writing, std::string::npos) << screen;
  EXPECT_LT(reading, writing);
  // The line is erased last: blanks over the whole text and the cursor back
  // at the start.
  const std::size_t text = std::string("meridian: writing step 3 of 3").size();
  EXPECT_TRUE(screen.ends_with("\r" + std::string(text, ' ') + "\r")) << screen;
  std::filesystem::remove_all(dir);
}

TEST(ProgressOnTerminal, ErasedBeforeAMessage) {
  const auto dir = fresh_directory("progress_message");
  ListingFixture f = stepped_model();
  f.counts.step_count = 5;  // the listing ends within step 4
  write_listing_file(f, (dir / "n3dhsp").string());
  const std::string screen = run_on_terminal(dir, {"--job", "2"}, 2);
  const std::size_t message = screen.find("meridian: n3dhsp, line");
  ASSERT_NE(message, std::string::npos) << screen;
  const std::size_t reading = screen.rfind("\rmeridian: reading n3dhsp", message);
  ASSERT_NE(reading, std::string::npos) << screen;
  // Between the last progress text and the message: the line erased.
  const std::string between = screen.substr(reading + 1, message - reading - 1);
  const std::size_t text_end = between.find("%");
  ASSERT_NE(text_end, std::string::npos) << screen;
  const std::string erase = between.substr(text_end + 1);
  ASSERT_GE(erase.size(), 2u);
  EXPECT_EQ(erase.front(), '\r');
  EXPECT_EQ(erase.back(), '\r');
  EXPECT_EQ(erase.find_first_not_of(' ', 1), erase.size() - 1) << screen;
  std::filesystem::remove_all(dir);
}

// A followed listing that stops within step 2 of 5: the line names the step
// awaited and how long the listing has been quiet, then is erased before the
// line of the steps written.
TEST(ProgressOnTerminal, NamesTheStepAwaitedWhileFollowing) {
  const auto dir = fresh_directory("progress_follow");
  ListingFixture f = stepped_model();
  f.counts.step_count = 5;
  write_listing_file(f, (dir / "n3dhsp").string());
  const std::string screen = run_on_terminal(dir, {"--job", "2", "--follow=1.5"}, 3);
  const std::size_t waiting = screen.find("\rmeridian: following n3dhsp: waiting for step 4 of 5, quiet for 1 s");
  ASSERT_NE(waiting, std::string::npos) << screen;
  EXPECT_NE(screen.find(", about 0 s left", waiting), std::string::npos) << screen;
  EXPECT_NE(screen.find("\rmeridian: n3dhsp ends in time step 4 of the 5", waiting), std::string::npos)
      << screen;
  std::filesystem::remove_all(dir);
}

TEST(ProgressOffTerminal, StandardErrorStaysEmpty) {
  const auto dir = fresh_directory("progress_pipe");
  write_listing_file(stepped_model(), (dir / "n3dhsp").string());
  const auto result = run_meridian(dir, {"--job", "2", "--report"}, "");
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.standard_error, "");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace meridian::testing
