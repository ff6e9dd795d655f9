#include "platform/window_system.h"

namespace platform {

namespace {

// The host has no windows of its own here and the signing library shows none the host could
// bring forward, so the search always comes back empty and the forcing calls do nothing.
class TPosixWindowSystem final : public IWindowSystem {
 public:
  void EnumThreadWindows(TThreadId, const std::function<bool(TWindowHandle)>&) override {}
  bool IsWindowVisible(TWindowHandle) override { return false; }
  bool IsIconic(TWindowHandle) override { return false; }
  void ShowWindow(TWindowHandle, int) override {}
  TWindowHandle GetForegroundWindow() override { return 0; }
  TThreadId GetWindowThreadProcessId(TWindowHandle) override { return 0; }
  bool AttachThreadInput(TThreadId, TThreadId, bool) override { return false; }
  bool BringWindowToTop(TWindowHandle) override { return false; }
  bool SetForegroundWindow(TWindowHandle) override { return false; }
  bool GetForegroundLockTimeout(std::uint32_t&) override { return false; }
  bool SetForegroundLockTimeout(std::uint32_t) override { return false; }
  TOsVersion OsVersion() const override { return {}; }
};

}  // namespace

std::unique_ptr<IWindowSystem> CreateWindowSystem() {
  return std::make_unique<TPosixWindowSystem>();
}

}  // namespace platform
