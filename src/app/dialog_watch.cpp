#include "app/dialog_watch.h"

#include <algorithm>
#include <utility>

namespace {

// Runs an action when the scope is left, however it is left.
template <typename TAction>
class TScopeExit {
 public:
  explicit TScopeExit(TAction action) : action_(std::move(action)) {}
  ~TScopeExit() { action_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction action_;
};

}  // namespace

TDialogWatch::TDialogWatch(platform::IWindowSystem& windows, TTimerSwitch timerFixWind,
                           TLineSink writeLine)
    : windows_(windows), timerFixWind_(std::move(timerFixWind)), writeLine_(std::move(writeLine)) {}

void TDialogWatch::StartFixWind(platform::TThreadId threadId) {
  fixWindThreadId_ = threadId;
  foundWindow_ = 0;
  fixWindCount_ = 0;
  broughtForward_.clear();
  timerFixWind_(true);
}

void TDialogWatch::StopFixWind() {
  if (windows_.WatchesWholeCall()) timerFixWind_(false);
}

void TDialogWatch::TimerFixWindTimer() {
  timerFixWind_(false);
  ++fixWindCount_;
  foundWindow_ = 0;
  const bool wholeCall = windows_.WatchesWholeCall();
  // A watch of the whole call ticks for as long as a person takes; its log stays as short as
  // the usual watch's.
  const bool logged = !wholeCall || fixWindCount_ <= kMaxTicks;
  if (logged) writeLine_("WindowEnum Start");
  windows_.EnumThreadWindows(fixWindThreadId_, [this](platform::TWindowHandle window) {
    return FindVisibleWindowProc(window);
  });
  if (logged || foundWindow_ != 0) writeLine_("WindowEnum end: " + std::to_string(foundWindow_));
  if (foundWindow_ != 0) {
    if (wholeCall) broughtForward_.push_back(foundWindow_);
    ForceForegroundWindow(foundWindow_);
  }
  if (wholeCall || (foundWindow_ == 0 && fixWindCount_ < kMaxTicks)) timerFixWind_(true);
}

bool TDialogWatch::FindVisibleWindowProc(platform::TWindowHandle window) {
  if (!windows_.IsWindowVisible(window)) return true;
  if (std::find(broughtForward_.begin(), broughtForward_.end(), window) != broughtForward_.end()) {
    return true;
  }
  foundWindow_ = window;
  return false;
}

bool TDialogWatch::ForegroundLockApplies() const {
  // Systems from Windows 98 and 2000 on refuse SetForegroundWindow to a thread that does not
  // own the foreground, unless its input is attached or the lock time-out is zero.
  const platform::TOsVersion version = windows_.OsVersion();
  const bool ntFamily = version.platformId == 2 && version.major > 4;
  const bool family95 =
      version.platformId == 1 && (version.major > 4 || (version.major == 4 && version.minor > 0));
  return ntFamily || family95;
}

void TDialogWatch::ForceThroughLockTimeout(platform::TWindowHandle window) {
  std::uint32_t saved = 0;
  // Without the old value the setting could not be put back; leave it alone then rather than
  // change a system-wide setting for good.
  if (!windows_.GetForegroundLockTimeout(saved)) {
    windows_.BringWindowToTop(window);
    windows_.SetForegroundWindow(window);
    return;
  }
  windows_.SetForegroundLockTimeout(0);
  TScopeExit restore([&] { windows_.SetForegroundLockTimeout(saved); });
  windows_.BringWindowToTop(window);
  windows_.SetForegroundWindow(window);
}

bool TDialogWatch::ForceForegroundWindow(platform::TWindowHandle window) {
  if (windows_.IsIconic(window)) windows_.ShowWindow(window, platform::kSwRestore);
  if (windows_.GetForegroundWindow() == window) return true;

  if (!ForegroundLockApplies()) {
    windows_.BringWindowToTop(window);
    windows_.SetForegroundWindow(window);
    return windows_.GetForegroundWindow() == window;
  }

  const platform::TThreadId foregroundThread =
      windows_.GetWindowThreadProcessId(windows_.GetForegroundWindow());
  const platform::TThreadId windowThread = windows_.GetWindowThreadProcessId(window);
  bool inFront = false;
  if (windows_.AttachThreadInput(windowThread, foregroundThread, true)) {
    {
      TScopeExit detach([&] { windows_.AttachThreadInput(windowThread, foregroundThread, false); });
      windows_.BringWindowToTop(window);
      windows_.SetForegroundWindow(window);
    }
    inFront = windows_.GetForegroundWindow() == window;
  }
  if (!inFront) ForceThroughLockTimeout(window);
  return windows_.GetForegroundWindow() == window;
}
