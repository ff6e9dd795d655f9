// A main-thread timer of the headless application: its due time is kept here
// and the application's loop fires it.
#pragma once

#include <chrono>
#include <functional>

#include "platform/timer.h"

namespace platform {

class THeadlessApplication;

class THeadlessTimer final : public ITimer {
 public:
  using TClock = std::chrono::steady_clock;

  THeadlessTimer(THeadlessApplication& application, std::function<void()> onTimer);
  ~THeadlessTimer() override;

  void SetEnabled(bool enabled) override;
  bool Enabled() const noexcept override { return FEnabled; }
  void SetInterval(std::uint32_t milliseconds) override;
  std::uint32_t Interval() const noexcept override { return FInterval; }

  // A timer with interval 0 never ticks, as on Windows.
  bool Running() const noexcept { return FEnabled && FInterval > 0; }
  TClock::time_point Due() const noexcept { return FDue; }
  // Starts the next interval, then runs the tick handler.
  void Tick(TClock::time_point now);

 private:
  void Restart() noexcept;

  THeadlessApplication& FApplication;
  std::function<void()> FOnTimer;
  bool FEnabled = false;
  std::uint32_t FInterval = 1000;
  TClock::time_point FDue{};
};

}  // namespace platform
