// A 32-bit atomic word that threads of this process can sleep on until another thread changes
// it (Linux futexes). A waiter goes to sleep only while the word still holds the value it
// expects, checked by the kernel in the same step as the sleep, so a change made before the
// sleep is never missed; a wake-up that finds nobody asleep costs one system call and nothing
// else. Every wait may also end early for no reason: callers look at their condition again.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform {

namespace futex {

using TWord = std::atomic<std::uint32_t>;
static_assert(sizeof(TWord) == sizeof(std::uint32_t) && TWord::is_always_lock_free,
              "the kernel sees the atomic as a plain 32-bit word");

// Sleeps while word holds expected.
inline void Wait(TWord& word, std::uint32_t expected) noexcept {
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected,
            nullptr, nullptr, 0);
}

// Wakes one thread asleep on word. Only the address is used: the word may already be gone
// (a waiter that saw the change may have returned), which at worst wakes someone who sleeps on
// whatever reuses the address, and every waiter here copes with an early wake.
inline void WakeOne(const TWord* word) noexcept {
  ::syscall(SYS_futex, reinterpret_cast<const std::uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr,
            nullptr, 0);
}

// Tells the CPU that this is a spin loop (cheaper for a sibling hyperthread).
inline void Relax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Calls ready() with a pause between calls until it holds or limit has passed; whether it held.
// Never gives the processor away: meant for a few hundred nanoseconds at most, and only while
// the thread being waited for is known to be running.
template <class TReady>
bool SpinUntil(TReady&& ready, std::chrono::nanoseconds limit) noexcept(noexcept(ready())) {
  using TClock = std::chrono::steady_clock;
  const auto deadline = TClock::now() + limit;
  for (;;) {
    for (int i = 0; i < 16; ++i) {
      if (ready()) return true;
      Relax();
    }
    if (TClock::now() >= deadline) return ready();
  }
}

}  // namespace futex

}  // namespace platform
