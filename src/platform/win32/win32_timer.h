// A timer of the main thread: a Win32 timer on the application's message window.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/timer.h"

namespace platform {

class TWin32Application;

class TWin32Timer final : public ITimer {
 public:
  TWin32Timer(TWin32Application& application, std::function<void()> onTimer);
  ~TWin32Timer() override;

  void SetEnabled(bool enabled) override;
  bool Enabled() const noexcept override { return FEnabled; }
  void SetInterval(std::uint32_t milliseconds) override;
  std::uint32_t Interval() const noexcept override { return FInterval; }

  void Tick() { FOnTimer(); }

 private:
  void Update();

  TWin32Application& FApplication;
  std::function<void()> FOnTimer;
  bool FEnabled = false;
  std::uint32_t FInterval = 1000;
  // Each start gets a fresh id, so a tick already queued for a stopped or destroyed timer
  // finds nobody.
  UINT_PTR FId = 0;
};

}  // namespace platform
