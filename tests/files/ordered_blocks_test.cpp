// Two-thread block rendering: the sink sees exactly the one-thread bytes, in
// order, whatever the block sizes and however the threads interleave; a
// failure on either thread reaches the caller.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "files/ordered_blocks.hpp"

namespace meridian {
namespace {

// Item i is item_bytes copies of a letter that changes with i, so a block in
// the wrong place or order changes the bytes.
std::string expected_bytes(std::size_t items, std::size_t item_bytes) {
  std::string bytes;
  for (std::size_t i = 0; i < items; ++i) bytes.append(item_bytes, static_cast<char>('a' + i % 26));
  return bytes;
}

void render_letters(std::size_t first, std::size_t last, std::size_t item_bytes, char* out) {
  for (std::size_t i = first; i < last; ++i) {
    for (std::size_t k = 0; k < item_bytes; ++k) *out++ = static_cast<char>('a' + i % 26);
  }
}

struct Case {
  const char* name;
  std::size_t items;
  std::size_t item_bytes;
  std::size_t block_items;
  bool use_helper;
  bool slow_odd_blocks;  // makes the helper finish out of order
};

TEST(OrderedBlocksTest, SinkReceivesTheOneThreadBytesInOrder) {
  const Case cases[] = {
      {"no items", 0, 5, 4, true, false},
      {"one item", 1, 5, 4, true, false},
      {"exactly one block", 4, 5, 4, true, false},
      {"one block and one item", 5, 5, 4, true, false},
      {"many blocks, last one short", 1003, 3, 7, true, false},
      {"many blocks, one thread", 1003, 3, 7, false, false},
      {"blocks finishing out of order", 200, 11, 3, true, true},
      {"block size 0 taken as 1", 9, 2, 0, true, false},
      {"items of no bytes", 10, 0, 3, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t block = c.block_items == 0 ? 1 : c.block_items;
    std::string got;
    std::size_t calls = 0;
    render_ordered_blocks(
        OrderedBlocks{c.items, c.item_bytes, c.block_items, c.use_helper},
        [&c, block](std::size_t first, std::size_t last, char* out) {
          if (c.slow_odd_blocks && (first / block) % 2 == 1) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
          }
          render_letters(first, last, c.item_bytes, out);
        },
        [&got, &calls](std::string_view bytes) {
          got.append(bytes);
          ++calls;
        });
    EXPECT_EQ(got, expected_bytes(c.items, c.item_bytes));
    if (c.item_bytes > 0) {
      EXPECT_EQ(calls, (c.items + block - 1) / block);
    }
  }
}

TEST(OrderedBlocksTest, FailuresReachTheCallerAndStopTheHelper) {
  struct Failure {
    const char* name;
    std::size_t failing_block;  // block whose rendering throws (or none)
    std::size_t failing_take;   // block the sink refuses (or none)
  };
  constexpr std::size_t none = 1000;
  const Failure failures[] = {
      {"rendering of the first block", 0, none},
      {"rendering of a middle block", 17, none},
      {"rendering of the last block", 39, none},
      {"sink at the first block", none, 0},
      {"sink at a middle block", none, 20},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.name);
    std::string got;
    EXPECT_THROW(render_ordered_blocks(
                     OrderedBlocks{400, 2, 10, true},
                     [&f](std::size_t first, std::size_t last, char* out) {
                       if (first / 10 == f.failing_block) throw std::runtime_error("render");
                       render_letters(first, last, 2, out);
                     },
                     [&f, &got](std::string_view bytes) {
                       if (got.size() / 20 == f.failing_take) throw std::runtime_error("sink");
                       got.append(bytes);
                     }),
                 std::runtime_error);
    // Whatever reached the sink is an unbroken prefix of the bytes.
    EXPECT_EQ(got, expected_bytes(400, 2).substr(0, got.size()));
  }
}

}  // namespace
}  // namespace meridian
