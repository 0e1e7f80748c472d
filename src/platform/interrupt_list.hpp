#pragma once
// The files an interrupt removes (platform.hpp: list_for_interrupt), shared by
// the POSIX and the Windows implementation. Not for use above this folder.
//
// The program's one piece of process-wide state: a signal handler can reach
// nothing but globals, so the names of the live temporary files are kept here,
// in a fixed table read without locks or allocation. On POSIX systems the
// entries are written by the threads that create and close replacing files,
// which take the signals themselves (helper threads block them), so the
// handler never runs while an entry it reads is being changed on another
// thread. On Windows the handler runs on a thread of its own: it marks the run
// as ending and waits for the threads in an InterruptsDeferred scope to leave
// it (`deferring`); a thread entering one after that waits for the end.
//
// An entry is taken (filling), gets its name, and only then is marked live,
// so the handler never sees a name half-copied. It is freed once the file is
// gone from that name (renamed or removed): an interrupt in between makes the
// handler remove a name that no longer exists, which does no harm.

#include <atomic>
#include <cstring>
#include <string>

#include "platform/platform.hpp"

namespace meridian::platform::interrupt_list {

enum EntryState : int { entry_free, entry_filling, entry_live };
// A run that holds its results until its input is read whole keeps one
// temporary per result file alive at a time.
inline constexpr int entry_count = interrupt_entries;
inline constexpr std::size_t name_capacity = 4096;

static_assert(std::atomic<int>::is_always_lock_free, "the interrupt handler reads the entries");

// The states lie together, apart from the names, so that finding a free entry
// or the live ones touches a few pages, not one page per entry.
inline constinit std::atomic<int> states[entry_count]{};
inline constinit char names[entry_count][name_capacity]{};
// Windows: threads inside an InterruptsDeferred scope, and whether the
// handler has begun to end the run.
inline constinit std::atomic<int> deferring{0};
inline constinit std::atomic<bool> ending{false};

// Lists `name`; -1 when the table is full or the name too long.
inline int list(const std::string& name) {
  if (name.size() >= name_capacity) return -1;
  for (int i = 0; i < entry_count; ++i) {
    int expected = entry_free;
    if (states[i].compare_exchange_strong(expected, entry_filling, std::memory_order_acquire)) {
      std::memcpy(names[i], name.c_str(), name.size() + 1);
      states[i].store(entry_live, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

inline void unlist(int entry) noexcept {
  if (entry >= 0 && entry < entry_count) {
    states[entry].store(entry_free, std::memory_order_release);
  }
}

// Calls `remove(name)` for every live entry; safe in a signal handler when
// `remove` is.
template <typename Remove>
void for_each_live(Remove remove) {
  for (int i = 0; i < entry_count; ++i) {
    if (states[i].load(std::memory_order_acquire) == entry_live) remove(names[i]);
  }
}

}  // namespace meridian::platform::interrupt_list
