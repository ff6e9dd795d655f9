#include "platform/posix/headless_timer.h"

#include "platform/posix/headless_application.h"

namespace platform {

THeadlessTimer::THeadlessTimer(THeadlessApplication& application, std::function<void()> onTimer)
    : FApplication(application), FOnTimer(std::move(onTimer)) {
  FApplication.RegisterTimer(this);
}

THeadlessTimer::~THeadlessTimer() { FApplication.UnregisterTimer(this); }

void THeadlessTimer::SetEnabled(bool enabled) {
  FEnabled = enabled;
  if (enabled) Restart();
}

void THeadlessTimer::SetInterval(std::uint32_t milliseconds) {
  FInterval = milliseconds;
  if (FEnabled) Restart();
}

void THeadlessTimer::Restart() noexcept {
  FDue = TClock::now() + std::chrono::milliseconds(FInterval);
}

void THeadlessTimer::Tick(TClock::time_point now) {
  FDue = now + std::chrono::milliseconds(FInterval);
  if (FOnTimer) FOnTimer();
}

}  // namespace platform
