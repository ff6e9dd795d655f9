#pragma once
// Brings the signing library's dialog to the foreground. The library opens its windows on the
// worker thread, which the browser did not start in front, so the dialog would otherwise open
// behind the browser. After StartFixWind the main thread looks for a visible top-level window of
// the worker on each tick of the form's TimerFixWind (200 ms), at most six times, and forces the
// first one it finds to the front.
//
// Where the window system says that dialogs are programs of their own (X11), they may take
// longer to appear and come one after another within a call, so the watch lasts until
// StopFixWind (the call has returned) and brings each new dialog forward once.
//
// The form owns one watch and wires it to its timer and its log; all of it runs on the main
// thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"

class TDialogWatch {
 public:
  using TTimerSwitch = std::function<void(bool enabled)>;
  using TLineSink = std::function<void(const std::string& line)>;

  static constexpr int kMaxTicks = 6;

  // `timerFixWind` enables or disables the form's timer; `writeLine` appends to its log.
  TDialogWatch(platform::IWindowSystem& windows, TTimerSwitch timerFixWind, TLineSink writeLine);

  // Starts (or starts over) a search among the windows of `threadId`.
  void StartFixWind(platform::TThreadId threadId);

  // The library call has returned: a watch that lasts the whole call ends here.
  void StopFixWind();

  // One search attempt; the form calls it on every tick of TimerFixWind.
  void TimerFixWindTimer();

  // The enumeration callback: keeps the first visible window and stops there.
  bool FindVisibleWindowProc(platform::TWindowHandle window);

  // Restores the window if minimised and makes it the foreground window, working around the
  // system's foreground lock. True when it is the foreground window afterwards.
  bool ForceForegroundWindow(platform::TWindowHandle window);

  platform::TThreadId FixWindThreadID() const noexcept { return FFixWindThreadID; }
  platform::TWindowHandle FoundWindow() const noexcept { return FFoundWindow; }
  std::int32_t FixWindCount() const noexcept { return FFixWindCount; }

 private:
  bool ForegroundLockApplies() const;
  void ForceThroughLockTimeout(platform::TWindowHandle window);

  platform::IWindowSystem& FWindows;
  TTimerSwitch FTimerFixWind;
  TLineSink FWriteLine;
  platform::TThreadId FFixWindThreadID = 0;
  platform::TWindowHandle FFoundWindow = 0;
  std::int32_t FFixWindCount = 0;
  std::vector<platform::TWindowHandle> FBroughtForward;  // in a watch of the whole call
};
