#include "platform/window_system.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/posix/x11_desktop.h"

namespace platform {

namespace {

// The X server hands a closed connection's identifiers to the next client, so the certificate
// choice and the PIN entry after it may well have the same window id. A handle is therefore the
// window id with its owner's process id above it, telling the two dialogs apart. A 32-bit
// build has no room above the id, and its handle is the id alone.
TWindowHandle Handle(x11::TXWindow window, pid_t owner) {
  const TWindowHandle id = window & 0xFFFFFFFFu;
  if constexpr (sizeof(TWindowHandle) >= 8)
    return (static_cast<TWindowHandle>(static_cast<std::uint32_t>(owner)) << 32) | id;
  else
    return id;
}
x11::TXWindow WindowOf(TWindowHandle handle) { return handle & 0xFFFFFFFFu; }

// The processes a thread started, as the kernel lists them for that thread.
std::vector<pid_t> ChildrenOf(pid_t process, pid_t thread) {
  std::ifstream list("/proc/" + std::to_string(process) + "/task/" + std::to_string(thread) +
                     "/children");
  std::vector<pid_t> children;
  for (pid_t child = 0; list >> child;) children.push_back(child);
  return children;
}

// The signing library's dialogs are programs of their own, started by the worker thread, or
// windows of the host process itself. Under X11 each top-level window names its process, so
// "the thread's windows" are the windows of this process, of the thread's children and of
// theirs. Windows carry no thread, so the thread only chooses the children; there are no
// thread ids to attach input to, and no foreground lock: the window manager decides, and is
// asked the way a task bar asks it.
class TPosixWindowSystem final : public IWindowSystem {
 public:
  void EnumThreadWindows(TThreadId thread,
                         const std::function<bool(TWindowHandle)>& visit) override {
    x11::TX11Desktop* desktop = Desktop();
    if (desktop == nullptr) return;
    const std::vector<pid_t> owners = Owners(static_cast<pid_t>(thread));
    if (owners.empty()) return;
    for (const x11::TXWindow window : desktop->ClientWindows()) {
      const std::optional<pid_t> pid = desktop->WindowPid(window);
      if (!pid || std::find(owners.begin(), owners.end(), *pid) == owners.end()) continue;
      if (!visit(Handle(window, *pid))) return;
    }
  }
  bool IsWindowVisible(TWindowHandle window) override {
    return FDesktop && FDesktop->IsShown(WindowOf(window));
  }
  bool IsIconic(TWindowHandle window) override {
    return FDesktop && FDesktop->IsIconic(WindowOf(window));
  }
  void ShowWindow(TWindowHandle window, int command) override {
    if (FDesktop && command == kSwRestore) FDesktop->Restore(WindowOf(window));
  }
  TWindowHandle GetForegroundWindow() override { return FDesktop ? FDesktop->ActiveWindow() : 0; }
  TThreadId GetWindowThreadProcessId(TWindowHandle) override { return 0; }
  bool AttachThreadInput(TThreadId, TThreadId, bool) override { return false; }
  bool BringWindowToTop(TWindowHandle window) override {
    if (!FDesktop) return false;
    FDesktop->Raise(WindowOf(window));
    return true;
  }
  bool SetForegroundWindow(TWindowHandle window) override {
    if (!FDesktop) return false;
    FDesktop->Activate(WindowOf(window));
    return true;
  }
  bool GetForegroundLockTimeout(std::uint32_t&) override { return false; }
  bool SetForegroundLockTimeout(std::uint32_t) override { return false; }
  TOsVersion OsVersion() const override { return {}; }
  bool WatchesWholeCall() const noexcept override { return true; }
  bool HasWindowsToWatch() const noexcept override { return FHasDisplay; }

 private:
  // Connected on the first search, so that a start of the host never loads libX11; a failed
  // connection is tried again at the next request's first search.
  x11::TX11Desktop* Desktop() {
    // A connection whose server went away is of no more use; a new server may have come.
    if (FDesktop && FDesktop->Lost()) FDesktop.reset();
    if (!FDesktop) FDesktop = x11::TX11Desktop::Connect();
    return FDesktop.get();
  }

  static std::vector<pid_t> Owners(pid_t thread) {
    const pid_t self = ::getpid();
    if (::access(("/proc/self/task/" + std::to_string(thread)).c_str(), F_OK) != 0) return {};
    std::vector<pid_t> owners{self};
    for (const pid_t child : ChildrenOf(self, thread)) {
      owners.push_back(child);
      for (const pid_t grandchild : ChildrenOf(child, child)) owners.push_back(grandchild);
    }
    return owners;
  }

  std::unique_ptr<x11::TX11Desktop> FDesktop;
  // The library's dialogs show on $DISPLAY; without one there is nothing to bring forward.
  const bool FHasDisplay = [] {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr && *name != '\0';
  }();
};

}  // namespace

std::unique_ptr<IWindowSystem> CreateWindowSystem() {
  return std::make_unique<TPosixWindowSystem>();
}

}  // namespace platform
