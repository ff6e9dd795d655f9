// Waiting for another thread for a few microseconds without going to sleep.
//
// Waking a sleeping thread costs tens of microseconds here (more when its CPU
// has gone idle), far more than a hand-over between two threads that are both
// awake. Where the other side usually answers within that time, a bounded spin
// before sleeping saves both wake-ups; the bound keeps an idle process asleep.
#pragma once

#include <sched.h>

#include <chrono>

namespace brief_spin {

// Tells the CPU that this is a spin loop (cheaper for a sibling hyperthread).
inline void Relax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Calls ready() until it holds or limit has passed; whether it held. Lets any
// other thread that is ready to run on this CPU go first between rounds, so
// that a spin never keeps out the very thread it waits for.
template <class TReady>
bool Until(TReady&& ready, std::chrono::nanoseconds limit) noexcept(noexcept(ready())) {
  using TClock = std::chrono::steady_clock;
  const auto deadline = TClock::now() + limit;
  for (;;) {
    for (int i = 0; i < 32; ++i) {
      if (ready()) return true;
      Relax();
    }
    if (TClock::now() >= deadline) return ready();
    ::sched_yield();
  }
}

}  // namespace brief_spin
