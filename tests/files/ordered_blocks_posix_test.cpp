// Two-thread block rendering on POSIX systems: the helper thread never takes
// the signals that end a run.

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "files/ordered_blocks.hpp"

namespace meridian {
namespace {

void render_letters(std::size_t first, std::size_t last, std::size_t item_bytes, char* out) {
  for (std::size_t i = first; i < last; ++i) {
    for (std::size_t k = 0; k < item_bytes; ++k) *out++ = static_cast<char>('a' + i % 26);
  }
}

// The signals that end a run are taken by the caller's thread, never the helper.
TEST(OrderedBlocksTest, TheHelperBlocksTheInterruptSignals) {
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> helper_blocks{0}, helper_blocks_open_to_signals{0};
  render_ordered_blocks(
      OrderedBlocks{400, 2, 10, true},
      [&](std::size_t first, std::size_t last, char* out) {
        if (std::this_thread::get_id() == caller) {
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        } else {
          sigset_t mask;
          pthread_sigmask(SIG_SETMASK, nullptr, &mask);
          ++helper_blocks;
          for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            if (!sigismember(&mask, s)) ++helper_blocks_open_to_signals;
          }
        }
        render_letters(first, last, 2, out);
      },
      [](std::string_view) {});
  EXPECT_GT(helper_blocks.load(), 0);
  EXPECT_EQ(helper_blocks_open_to_signals.load(), 0);
  sigset_t mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &mask);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) EXPECT_FALSE(sigismember(&mask, s)) << s;
}

}  // namespace
}  // namespace meridian
