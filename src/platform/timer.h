// A timer of the main thread: its tick handler runs on the main thread, at
// the interval, while the timer is enabled. Touch it on the main thread only.
#pragma once

#include <cstdint>

namespace platform {

class ITimer {
 public:
  virtual ~ITimer() = default;

  // Enabling (also an enabled timer) starts a fresh interval.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const noexcept = 0;
  // Milliseconds; a running timer starts a fresh interval.
  virtual void SetInterval(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t Interval() const noexcept = 0;

 protected:
  ITimer() = default;
  ITimer(const ITimer&) = default;
  ITimer& operator=(const ITimer&) = default;
};

}  // namespace platform
