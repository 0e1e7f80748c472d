#pragma once
// Rendering of many fixed-size records on two threads, written in order.
//
// The items are cut into blocks. This thread and one helper thread each take
// the next unrendered block and render it into a slot of a small ring of
// buffers; this thread also hands every finished block to the sink, strictly in
// item order, while the helper goes on rendering. Every item has the same size
// and goes to its own place, so the bytes are those of a rendering in one
// thread. When no helper thread can be started, this thread does all the work.

#include <cstddef>
#include <functional>
#include <string_view>

namespace meridian {

struct OrderedBlocks {
  std::size_t item_count = 0;   // items to render
  std::size_t item_bytes = 0;   // bytes of every item
  std::size_t block_items = 4096;  // items per block
  bool use_helper = true;       // false: render everything on this thread
};

// Renders items [first, last) (0-based) at `out`, item_bytes per item.
using RenderItems = std::function<void(std::size_t first, std::size_t last, char* out)>;
// Receives the rendered bytes of consecutive blocks, in order.
using TakeBytes = std::function<void(std::string_view bytes)>;

// Renders all items and passes them to `sink` in order. An exception from
// `render` or `sink` stops the helper and is passed on once it has ended.
void render_ordered_blocks(const OrderedBlocks& plan, const RenderItems& render,
                           const TakeBytes& sink);

}  // namespace meridian
