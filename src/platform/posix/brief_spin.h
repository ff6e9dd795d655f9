// Waiting for another thread for a few microseconds without going to sleep.
//
// Waking a sleeping thread costs tens of microseconds here (more when its CPU
// has gone idle), far more than a hand-over between two threads that are both
// awake. Where the other side usually answers within that time, a bounded spin
// before sleeping saves both wake-ups; the bound keeps an idle process asleep.
#pragma once

#include <sched.h>

#include <atomic>
#include <chrono>

namespace brief_spin {

using TClock = std::chrono::steady_clock;

// Until when spins are given up at once: set when the CPU turned out to be
// wanted by other threads. On a busy machine a spinning thread only takes
// time from them, and a sleeping thread that is woken gets the CPU soonest.
inline std::atomic<TClock::rep> gBusyUntil{0};

// A yield that returns later than this gave the CPU away for a time slice of
// some other program. A thread of our own that shares the CPU with the
// spinning one gives it back far sooner: it runs for one request's work.
constexpr std::chrono::microseconds kYieldTaken{250};
// How long spins stay given up after that.
constexpr std::chrono::milliseconds kBusyPause{100};

// Tells the CPU that this is a spin loop (cheaper for a sibling hyperthread).
inline void Relax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Calls ready() until it holds or limit has passed; whether it held. Lets any
// other thread that is ready to run on this CPU go first, so that a spin never
// keeps out the very thread it waits for; gives up when one did.
template <class TReady>
bool Until(TReady&& ready, std::chrono::nanoseconds limit) noexcept(noexcept(ready())) {
  auto now = TClock::now();
  if (now.time_since_epoch().count() < gBusyUntil.load(std::memory_order_relaxed)) {
    return ready();
  }
  const auto deadline = now + limit;
  for (;;) {
    for (int i = 0; i < 32; ++i) {
      if (ready()) return true;
      Relax();
    }
    if (now >= deadline) return ready();
    ::sched_yield();
    const auto before = now;
    now = TClock::now();
    if (now - before > kYieldTaken) {
      gBusyUntil.store((now + kBusyPause).time_since_epoch().count(), std::memory_order_relaxed);
      return ready();
    }
  }
}

}  // namespace brief_spin
