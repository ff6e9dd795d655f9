#include "platform/win32/win32_timer.h"

#include "platform/win32/win32_application.h"

namespace platform {

TWin32Timer::TWin32Timer(TWin32Application& application, std::function<void()> onTimer)
    : FApplication(application), FOnTimer(std::move(onTimer)) {}

TWin32Timer::~TWin32Timer() {
  if (FId != 0) FApplication.StopTimer(FId);
}

void TWin32Timer::SetEnabled(bool enabled) {
  FEnabled = enabled;
  Update();
}

void TWin32Timer::SetInterval(std::uint32_t milliseconds) {
  FInterval = milliseconds;
  Update();
}

void TWin32Timer::Update() {
  if (FId != 0) {
    FApplication.StopTimer(FId);
    FId = 0;
  }
  // Interval 0 never ticks (the system would round it up to its minimum instead).
  if (FEnabled && FInterval > 0) FId = FApplication.StartTimer(this, FInterval);
}

}  // namespace platform
