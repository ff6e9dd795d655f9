#include "app/dialog_watch.h"

#include <algorithm>
#include <utility>

namespace {

// Runs an action when the scope is left, however it is left.
template <typename TAction>
class TScopeExit {
 public:
  explicit TScopeExit(TAction action) : FAction(std::move(action)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction FAction;
};

}  // namespace

TDialogWatch::TDialogWatch(platform::IWindowSystem& windows, TTimerSwitch timerFixWind,
                           TLineSink writeLine)
    : FWindows(windows), FTimerFixWind(std::move(timerFixWind)), FWriteLine(std::move(writeLine)) {}

void TDialogWatch::StartFixWind(platform::TThreadId threadId) {
  FFixWindThreadID = threadId;
  FFoundWindow = 0;
  FFixWindCount = 0;
  FBroughtForward.clear();
  FTimerFixWind(true);
}

void TDialogWatch::StopFixWind() {
  if (FWindows.WatchesWholeCall()) FTimerFixWind(false);
}

void TDialogWatch::TimerFixWindTimer() {
  FTimerFixWind(false);
  ++FFixWindCount;
  FFoundWindow = 0;
  const bool wholeCall = FWindows.WatchesWholeCall();
  // A watch of the whole call ticks for as long as a person takes; its log stays as short as
  // the usual watch's.
  const bool logged = !wholeCall || FFixWindCount <= kMaxTicks;
  if (logged) FWriteLine("WindowEnum Start");
  FWindows.EnumThreadWindows(FFixWindThreadID, [this](platform::TWindowHandle window) {
    return FindVisibleWindowProc(window);
  });
  if (logged || FFoundWindow != 0) FWriteLine("WindowEnum end: " + std::to_string(FFoundWindow));
  if (FFoundWindow != 0) {
    if (wholeCall) FBroughtForward.push_back(FFoundWindow);
    ForceForegroundWindow(FFoundWindow);
  }
  if (wholeCall || (FFoundWindow == 0 && FFixWindCount < kMaxTicks)) FTimerFixWind(true);
}

bool TDialogWatch::FindVisibleWindowProc(platform::TWindowHandle window) {
  if (!FWindows.IsWindowVisible(window)) return true;
  if (std::find(FBroughtForward.begin(), FBroughtForward.end(), window) != FBroughtForward.end()) {
    return true;
  }
  FFoundWindow = window;
  return false;
}

bool TDialogWatch::ForegroundLockApplies() const {
  // Systems from Windows 98 and 2000 on refuse SetForegroundWindow to a thread that does not
  // own the foreground, unless its input is attached or the lock time-out is zero.
  const platform::TOsVersion version = FWindows.OsVersion();
  const bool ntFamily = version.platformId == 2 && version.major > 4;
  const bool family95 =
      version.platformId == 1 && (version.major > 4 || (version.major == 4 && version.minor > 0));
  return ntFamily || family95;
}

void TDialogWatch::ForceThroughLockTimeout(platform::TWindowHandle window) {
  std::uint32_t saved = 0;
  // Without the old value the setting could not be put back; leave it alone then rather than
  // change a system-wide setting for good.
  if (!FWindows.GetForegroundLockTimeout(saved)) {
    FWindows.BringWindowToTop(window);
    FWindows.SetForegroundWindow(window);
    return;
  }
  FWindows.SetForegroundLockTimeout(0);
  TScopeExit restore([&] { FWindows.SetForegroundLockTimeout(saved); });
  FWindows.BringWindowToTop(window);
  FWindows.SetForegroundWindow(window);
}

bool TDialogWatch::ForceForegroundWindow(platform::TWindowHandle window) {
  if (FWindows.IsIconic(window)) FWindows.ShowWindow(window, platform::kSwRestore);
  if (FWindows.GetForegroundWindow() == window) return true;

  if (!ForegroundLockApplies()) {
    FWindows.BringWindowToTop(window);
    FWindows.SetForegroundWindow(window);
    return FWindows.GetForegroundWindow() == window;
  }

  const platform::TThreadId foregroundThread =
      FWindows.GetWindowThreadProcessId(FWindows.GetForegroundWindow());
  const platform::TThreadId windowThread = FWindows.GetWindowThreadProcessId(window);
  bool inFront = false;
  if (FWindows.AttachThreadInput(windowThread, foregroundThread, true)) {
    {
      TScopeExit detach([&] { FWindows.AttachThreadInput(windowThread, foregroundThread, false); });
      FWindows.BringWindowToTop(window);
      FWindows.SetForegroundWindow(window);
    }
    inFront = FWindows.GetForegroundWindow() == window;
  }
  if (!inFront) ForceThroughLockTimeout(window);
  return FWindows.GetForegroundWindow() == window;
}
