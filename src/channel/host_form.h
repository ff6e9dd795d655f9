// What the worker reaches on the main form, always through the main thread's
// synchronous hand-over.
#pragma once

#include <cstdint>

#include "platform/log_control.h"
#include "platform/timer.h"

class IHostForm {
 public:
  virtual ~IHostForm() = default;

  // The timer whose first tick closes the form (and so ends the program).
  virtual platform::ITimer& EndAppTimer() = 0;
  // Whether a watch could find any window at all; when not, the worker asks for none and so
  // makes no hand-over for it. Fixed before the worker starts, so read without a hand-over.
  virtual bool WatchesDialogs() const noexcept { return true; }
  // Starts looking for a visible window of the given thread to bring forward.
  virtual void StartFixWind(std::uint32_t threadId) = 0;
  // The library call that StartFixWind preceded has returned.
  virtual void StopFixWind() {}
  virtual platform::ILogControl& LogControl() = 0;

 protected:
  IHostForm() = default;
  IHostForm(const IHostForm&) = default;
  IHostForm& operator=(const IHostForm&) = default;
};
