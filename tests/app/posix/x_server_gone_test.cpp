// The X server going away in the middle of a dialog watch: the search fails and the process
// goes on, where libX11's default would have ended it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/dialog_watch.h"
#include "platform/window_system.h"

extern char** environ;

namespace {

// An Xvfb on a display number of its own choosing, which it tells through a pipe.
class TXvfb {
 public:
  TXvfb() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    char* argv[] = {const_cast<char*>("Xvfb"),     const_cast<char*>("-displayfd"),
                    const_cast<char*>(fd.c_str()), const_cast<char*>("-nolisten"),
                    const_cast<char*>("tcp"),      nullptr};
    if (::posix_spawnp(&FPid, "Xvfb", nullptr, nullptr, argv, environ) != 0) FPid = -1;
    ::close(fds[1]);
    char digits[16] = {};
    std::size_t got = 0;
    for (ssize_t n = 1; n > 0 && got < sizeof digits - 1 && FPid > 0;) {
      n = ::read(fds[0], digits + got, 1);
      if (n > 0 && digits[got] == '\n') break;
      if (n > 0) ++got;
    }
    ::close(fds[0]);
    if (got > 0) Display = ":" + std::string(digits, got);
  }
  ~TXvfb() { Kill(); }
  void Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
  }
  std::string Display;

 private:
  pid_t FPid = -1;
};

TEST(XServerGone, AWatchWhoseServerIsKilledFindsNothingAndTheProcessGoesOn) {
  TXvfb server;
  if (server.Display.empty()) GTEST_SKIP() << "Xvfb did not start";
  // Writes to the dead server's socket fail instead of raising SIGPIPE, as in the host.
  ::signal(SIGPIPE, SIG_IGN);
  ::setenv("DISPLAY", server.Display.c_str(), 1);
  auto windows = platform::CreateWindowSystem();
  std::vector<std::string> log;
  bool timer = false;
  TDialogWatch watch(
      *windows, [&](bool on) { timer = on; },
      [&](const std::string& line) { log.push_back(line); });
  watch.StartFixWind(static_cast<platform::TThreadId>(::gettid()));
  watch.TimerFixWindTimer();  // connects and searches
  server.Kill();
  for (int tick = 0; tick < 3; ++tick) watch.TimerFixWindTimer();
  ::unsetenv("DISPLAY");
  EXPECT_TRUE(windows->HasWindowsToWatch());
  EXPECT_TRUE(timer);
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log.back(), "WindowEnum end: 0");
  EXPECT_EQ(watch.FoundWindow(), 0u);
}

}  // namespace
