#include "app/dialog_watch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using platform::TThreadId;
using platform::TWindowHandle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr TThreadId kWorker = 77;
constexpr TThreadId kBrowser = 5;
constexpr TWindowHandle kBrowserWindow = 500;

// A desktop with a browser window in front and whatever windows a test gives the worker. The
// foreground moves only as the real system allows it: while the caller's input is attached to
// the foreground thread or the foreground lock time-out is 0.
class TFakeDesktop final : public platform::IWindowSystem {
 public:
  struct TWindow {
    TWindowHandle Handle;
    TThreadId Thread;
    bool Visible;
    bool Iconic;
  };

  std::vector<TWindow> Windows;
  TWindowHandle Foreground = kBrowserWindow;
  platform::TOsVersion Version{2, 10, 0};
  std::uint32_t LockTimeout = 200000;
  bool AttachWorks = true;
  bool TimeoutReadable = true;
  bool Attached = false;
  bool WholeCall = false;
  std::vector<std::string> Calls;

  void EnumThreadWindows(TThreadId thread,
                         const std::function<bool(TWindowHandle)>& visit) override {
    for (const auto& w : Windows) {
      if (w.Thread == thread && !visit(w.Handle)) return;
    }
  }
  bool IsWindowVisible(TWindowHandle h) override { return Find(h) && Find(h)->Visible; }
  bool IsIconic(TWindowHandle h) override { return Find(h) && Find(h)->Iconic; }
  void ShowWindow(TWindowHandle h, int command) override {
    Calls.push_back("ShowWindow " + std::to_string(h) + " " + std::to_string(command));
    if (command == platform::kSwRestore && Find(h)) Find(h)->Iconic = false;
  }
  TWindowHandle GetForegroundWindow() override { return Foreground; }
  TThreadId GetWindowThreadProcessId(TWindowHandle h) override {
    if (h == kBrowserWindow) return kBrowser;
    return Find(h) ? Find(h)->Thread : 0;
  }
  bool AttachThreadInput(TThreadId attach, TThreadId to, bool doAttach) override {
    Calls.push_back(std::string(doAttach ? "Attach " : "Detach ") + std::to_string(attach) + " " +
                    std::to_string(to));
    if (!AttachWorks) return false;
    Attached = doAttach;
    return true;
  }
  bool BringWindowToTop(TWindowHandle h) override {
    Calls.push_back("BringWindowToTop " + std::to_string(h));
    return true;
  }
  bool SetForegroundWindow(TWindowHandle h) override {
    Calls.push_back("SetForegroundWindow " + std::to_string(h));
    const bool allowed = Attached || LockTimeout == 0 || Version.platformId == 1;
    if (allowed) Foreground = h;
    return allowed;
  }
  bool GetForegroundLockTimeout(std::uint32_t& ms) override {
    Calls.push_back("GetLockTimeout");
    if (TimeoutReadable) ms = LockTimeout;
    return TimeoutReadable;
  }
  bool SetForegroundLockTimeout(std::uint32_t ms) override {
    Calls.push_back("SetLockTimeout " + std::to_string(ms));
    LockTimeout = ms;
    return true;
  }
  platform::TOsVersion OsVersion() const override { return Version; }
  bool WatchesWholeCall() const noexcept override { return WholeCall; }

 private:
  TWindow* Find(TWindowHandle h) {
    for (auto& w : Windows) {
      if (w.Handle == h) return &w;
    }
    return nullptr;
  }
};

class DialogWatchTest : public ::testing::Test {
 protected:
  TFakeDesktop desktop;
  bool timerEnabled = false;
  std::vector<std::string> log;
  TDialogWatch watch{desktop, [this](bool on) { timerEnabled = on; },
                     [this](const std::string& line) { log.push_back(line); }};

  // Runs the timer as the form would: a tick each 200 ms while it is enabled, calling
  // `beforeTick` with the tick's time so that windows can appear in between.
  int RunTimer(const std::function<void(int ms)>& beforeTick = [](int) {}) {
    int ticks = 0;
    while (timerEnabled && ticks < 100) {
      ++ticks;
      beforeTick(ticks * 200);
      watch.TimerFixWindTimer();
    }
    return ticks;
  }
};

TEST_F(DialogWatchTest, GivesUpAfterSixTicksWithTwoLogLinesEach) {
  watch.StartFixWind(kWorker);
  EXPECT_TRUE(timerEnabled);

  EXPECT_EQ(RunTimer(), 6);
  EXPECT_FALSE(timerEnabled);
  ASSERT_EQ(log.size(), 12u);
  for (std::size_t i = 0; i < log.size(); i += 2) {
    EXPECT_EQ(log[i], "WindowEnum Start");
    EXPECT_EQ(log[i + 1], "WindowEnum end: 0");
  }
  EXPECT_THAT(desktop.Calls, IsEmpty());
}

TEST_F(DialogWatchTest, DialogOpeningAfterHalfASecondIsFoundOnTheThirdTick) {
  watch.StartFixWind(kWorker);
  const int ticks = RunTimer([this](int ms) {
    if (ms >= 500 && desktop.Windows.empty())
      desktop.Windows.push_back({4242, kWorker, true, false});
  });

  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timerEnabled);
  EXPECT_THAT(log, ElementsAre("WindowEnum Start", "WindowEnum end: 0", "WindowEnum Start",
                               "WindowEnum end: 0", "WindowEnum Start", "WindowEnum end: 4242"));
  EXPECT_EQ(desktop.Foreground, 4242u);
  // Forced through an attached input; the system-wide lock time-out was never touched.
  EXPECT_THAT(desktop.Calls, ElementsAre("Attach 77 5", "BringWindowToTop 4242",
                                         "SetForegroundWindow 4242", "Detach 77 5"));
}

TEST_F(DialogWatchTest, OnlyVisibleWindowsOfTheWatchedThreadAreChosen) {
  desktop.Windows = {{10, kWorker, false, false},
                     {11, 99, true, false},
                     {12, kWorker, true, false},
                     {13, kWorker, true, false}};
  watch.StartFixWind(kWorker);
  RunTimer();
  EXPECT_EQ(watch.FoundWindow(), 12u);
  EXPECT_EQ(desktop.Foreground, 12u);

  desktop.Windows = {{20, kWorker, false, false}, {21, kWorker, false, true}};
  log.clear();
  watch.StartFixWind(kWorker);
  EXPECT_EQ(RunTimer(), 6);
  EXPECT_EQ(log.back(), "WindowEnum end: 0");
}

TEST_F(DialogWatchTest, MinimisedDialogIsRestoredBeforeItIsBroughtForward) {
  desktop.Windows = {{31, kWorker, true, true}};
  watch.StartFixWind(kWorker);
  RunTimer();
  ASSERT_FALSE(desktop.Calls.empty());
  EXPECT_EQ(desktop.Calls.front(), "ShowWindow 31 9");
  EXPECT_EQ(desktop.Foreground, 31u);
}

TEST_F(DialogWatchTest, WindowAlreadyInFrontIsLeftAlone) {
  desktop.Windows = {{41, kWorker, true, false}};
  desktop.Foreground = 41;
  EXPECT_TRUE(watch.ForceForegroundWindow(41));
  EXPECT_THAT(desktop.Calls, IsEmpty());
  EXPECT_EQ(desktop.LockTimeout, 200000u);
}

TEST_F(DialogWatchTest, RestartDuringASearchStartsOverWithSixTries) {
  watch.StartFixWind(kWorker);
  watch.TimerFixWindTimer();
  watch.TimerFixWindTimer();
  watch.TimerFixWindTimer();
  EXPECT_EQ(watch.FixWindCount(), 3);

  watch.StartFixWind(kWorker + 1);
  EXPECT_EQ(watch.FixWindCount(), 0);
  EXPECT_EQ(watch.FixWindThreadID(), kWorker + 1);
  EXPECT_TRUE(timerEnabled);
  log.clear();
  EXPECT_EQ(RunTimer(), 6);
  EXPECT_EQ(log.size(), 12u);
}

TEST_F(DialogWatchTest, FailedAttachFallsBackToZeroLockTimeoutAndRestoresIt) {
  desktop.Windows = {{51, kWorker, true, false}};
  desktop.AttachWorks = false;
  EXPECT_TRUE(watch.ForceForegroundWindow(51));
  EXPECT_THAT(desktop.Calls, ElementsAre("Attach 77 5", "GetLockTimeout", "SetLockTimeout 0",
                                         "BringWindowToTop 51", "SetForegroundWindow 51",
                                         "SetLockTimeout 200000"));
  EXPECT_EQ(desktop.LockTimeout, 200000u);
}

TEST_F(DialogWatchTest, UnreadableLockTimeoutIsNeverOverwritten) {
  desktop.Windows = {{52, kWorker, true, false}};
  desktop.AttachWorks = false;
  desktop.TimeoutReadable = false;
  EXPECT_FALSE(watch.ForceForegroundWindow(52));
  EXPECT_THAT(desktop.Calls, ElementsAre("Attach 77 5", "GetLockTimeout", "BringWindowToTop 52",
                                         "SetForegroundWindow 52"));
  EXPECT_EQ(desktop.LockTimeout, 200000u);
}

TEST_F(DialogWatchTest, SystemsWithoutForegroundLockAreAskedDirectly) {
  desktop.Windows = {{61, kWorker, true, false}};
  for (const platform::TOsVersion old :
       {platform::TOsVersion{1, 4, 0}, platform::TOsVersion{2, 4, 0},
        platform::TOsVersion{0, 0, 0}}) {
    desktop.Version = old;
    desktop.Calls.clear();
    desktop.Foreground = kBrowserWindow;
    watch.ForceForegroundWindow(61);
    EXPECT_THAT(desktop.Calls, ElementsAre("BringWindowToTop 61", "SetForegroundWindow 61"));
  }
  // Windows 98 (4.10) already has the lock.
  desktop.Version = {1, 4, 10};
  desktop.Calls.clear();
  desktop.Foreground = kBrowserWindow;
  watch.ForceForegroundWindow(61);
  EXPECT_EQ(desktop.Calls.front(), "Attach 77 5");
}

// Thread 1 is none of this process's, so no window is its own, whatever the display shows. On
// X11 the watch lasts until the call returns and logs its first six ticks only; elsewhere it
// gives up after six.
TEST(PlatformWindowSystemTest, FindsNoWindowOfAnotherThreadAndWatchesAsThePlatformDoes) {
  auto windows = platform::CreateWindowSystem();
  bool timer = false;
  int lines = 0;
  TDialogWatch watch(
      *windows, [&](bool on) { timer = on; }, [&](const std::string&) { ++lines; });
  watch.StartFixWind(1);
  int ticks = 0;
  while (timer && ticks < 10) {
    ++ticks;
    watch.TimerFixWindTimer();
  }
  EXPECT_EQ(ticks, windows->WatchesWholeCall() ? 10 : TDialogWatch::kMaxTicks);
  watch.StopFixWind();
  EXPECT_FALSE(timer);
  EXPECT_EQ(watch.FoundWindow(), 0u);
  EXPECT_EQ(lines, 12);
}

// X11: the certificate choice and then the PIN entry, each a program of its own, the second
// one long after six ticks. Each is brought forward once; the watch ends with the call.
TEST_F(DialogWatchTest, WholeCallWatchBringsEachNewDialogForwardOnceUntilStopped) {
  desktop.WholeCall = true;
  desktop.Version = {};
  desktop.LockTimeout = 0;  // the window manager grants what a task bar asks
  watch.StartFixWind(kWorker);
  for (int ms = 200; ms <= 3800; ms += 200) {
    ASSERT_TRUE(timerEnabled) << ms;
    if (ms == 1600) desktop.Windows.push_back({61, kWorker, true, false});
    if (ms == 2000) {
      EXPECT_EQ(desktop.Foreground, 61u);
    }
    if (ms == 2400) desktop.Windows.push_back({62, kWorker, true, false});
    if (ms == 2800) {
      EXPECT_EQ(desktop.Foreground, 62u);
    }
    // The person looks at the browser again while the PIN dialog is open: left alone.
    if (ms == 3000) desktop.Foreground = kBrowserWindow;
    watch.TimerFixWindTimer();
  }
  watch.StopFixWind();

  EXPECT_FALSE(timerEnabled);
  EXPECT_EQ(desktop.Foreground, kBrowserWindow);
  EXPECT_THAT(desktop.Calls, ElementsAre("BringWindowToTop 61", "SetForegroundWindow 61",
                                         "BringWindowToTop 62", "SetForegroundWindow 62"));
  EXPECT_EQ(log.size(), 2u * TDialogWatch::kMaxTicks + 2u);
}

TEST_F(DialogWatchTest, StopLeavesTheUsualWatchToItsSixTicks) {
  watch.StartFixWind(kWorker);
  watch.StopFixWind();
  EXPECT_TRUE(timerEnabled);
  EXPECT_EQ(RunTimer(), 6);
}

}  // namespace
