#include "files/ordered_blocks.hpp"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/platform.hpp"

namespace meridian {
namespace {

// Blocks that may be rendered ahead of the one the sink takes next. Four keep
// the helper busy while this thread writes, with a few MB of buffers.
constexpr std::size_t slot_count = 4;

// The shared state of the two threads, guarded by `lock`.
class BlockRing {
 public:
  BlockRing(const OrderedBlocks& plan, const RenderItems& render)
      : plan_(plan),
        render_(render),
        block_items_(std::max<std::size_t>(plan.block_items, 1)),
        block_count_((plan.item_count + block_items_ - 1) / block_items_),
        // Not zero-filled: every item of a block is rendered before the sink
        // sees it.
        buffer_(std::make_unique_for_overwrite<char[]>(slot_count * block_items_ * plan.item_bytes)) {}

  std::size_t block_count() const { return block_count_; }

  // Renders block `b` into its slot; returns its bytes.
  std::string_view render_block(std::size_t b) {
    const std::size_t first = b * block_items_;
    const std::size_t last = std::min(plan_.item_count, first + block_items_);
    char* const out = slot(b);
    render_(first, last, out);
    return {out, (last - first) * plan_.item_bytes};
  }

  // Caller holds `lock`: the next block may be claimed (rendering it will not
  // overwrite a slot the sink has yet to take).
  bool claimable() const { return next_claim < block_count_ && next_claim < next_take + slot_count; }
  // The bytes of block `b` once rendered, empty before.
  std::string_view rendered(std::size_t b) const { return rendered_[b % slot_count]; }
  void set_rendered(std::size_t b, std::string_view bytes) { rendered_[b % slot_count] = bytes; }

  std::mutex lock;
  std::condition_variable changed;
  std::size_t next_claim = 0;  // first block nobody has taken to render
  std::size_t next_take = 0;   // first block not yet passed to the sink
  bool stop = false;           // the helper must end after its current block
  std::exception_ptr helper_failure;

 private:
  char* slot(std::size_t b) {
    return buffer_.get() + (b % slot_count) * block_items_ * plan_.item_bytes;
  }

  const OrderedBlocks& plan_;
  const RenderItems& render_;
  std::size_t block_items_;
  std::size_t block_count_;
  std::unique_ptr<char[]> buffer_;
  std::array<std::string_view, slot_count> rendered_{};
};

void run_helper(BlockRing& ring) {
  std::unique_lock<std::mutex> hold(ring.lock);
  for (;;) {
    ring.changed.wait(hold, [&ring] {
      return ring.stop || ring.next_claim >= ring.block_count() || ring.claimable();
    });
    if (ring.stop || ring.next_claim >= ring.block_count()) return;
    const std::size_t b = ring.next_claim++;
    hold.unlock();
    std::string_view bytes;
    try {
      bytes = ring.render_block(b);
    } catch (...) {
      hold.lock();
      ring.helper_failure = std::current_exception();
      ring.stop = true;
      ring.changed.notify_all();
      return;
    }
    hold.lock();
    ring.set_rendered(b, bytes);
    ring.changed.notify_all();
  }
}

// Stops and joins the helper however this thread leaves (a failing sink too).
class HelperGuard {
 public:
  HelperGuard(BlockRing& ring, std::thread& helper) : ring_(ring), helper_(helper) {}
  HelperGuard(const HelperGuard&) = delete;
  HelperGuard& operator=(const HelperGuard&) = delete;
  ~HelperGuard() {
    {
      std::lock_guard<std::mutex> hold(ring_.lock);
      ring_.stop = true;
    }
    ring_.changed.notify_all();
    helper_.join();
  }

 private:
  BlockRing& ring_;
  std::thread& helper_;
};

void render_alone(BlockRing& ring, const TakeBytes& sink) {
  for (std::size_t b = 0; b < ring.block_count(); ++b) sink(ring.render_block(b));
}

}  // namespace

void render_ordered_blocks(const OrderedBlocks& plan, const RenderItems& render,
                           const TakeBytes& sink) {
  if (plan.item_count == 0) return;
  BlockRing ring(plan, render);
  // A rendered block is told from a pending one by its bytes: items of no
  // bytes are rendered on this thread.
  if (!plan.use_helper || plan.item_bytes == 0 || ring.block_count() < 2) {
    render_alone(ring, sink);
    return;
  }
  std::thread helper;
  try {
    // The helper starts with the interrupt signals blocked: the handler that
    // removes temporary files runs on the thread that creates them, never here.
    const platform::InterruptsDeferred deferred;
    helper = std::thread(run_helper, std::ref(ring));
  } catch (const std::system_error&) {
    render_alone(ring, sink);  // no second thread to be had
    return;
  }
  HelperGuard guard(ring, helper);
  std::unique_lock<std::mutex> hold(ring.lock);
  while (ring.next_take < ring.block_count()) {
    const std::size_t b = ring.next_take;
    const std::string_view bytes = ring.rendered(b);
    if (!bytes.empty()) {
      // The next block in order is ready: write it while the helper renders on.
      hold.unlock();
      sink(bytes);
      hold.lock();
      ring.set_rendered(b, {});
      ++ring.next_take;
      ring.changed.notify_all();
    } else if (ring.helper_failure) {
      std::rethrow_exception(ring.helper_failure);
    } else if (ring.claimable()) {
      const std::size_t mine = ring.next_claim++;
      hold.unlock();
      const std::string_view done = ring.render_block(mine);
      hold.lock();
      ring.set_rendered(mine, done);
    } else {
      // The helper is rendering the next block in order.
      ring.changed.wait(hold);
    }
  }
}

}  // namespace meridian
