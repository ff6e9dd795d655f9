#pragma once
// The few windowing calls the dialog watch needs to find the signing library's dialog among the
// worker thread's windows and put it in front of the browser. Windows-shaped on purpose: the
// Windows implementation forwards each call to the function of the same name; the X11 one finds
// the windows of the host's process and of the processes the thread started. Where there are
// no such windows, every enumeration finds none.

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

using TWindowHandle = std::uintptr_t;
using TThreadId = std::uint32_t;

// The operating system's version as reported at program start.
struct TOsVersion {
  std::uint32_t platformId = 0;  // 1: the 95 family, 2: the NT family
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// ShowWindow command that restores a minimised window.
constexpr int kSwRestore = 9;

class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;

  // Calls `visit` for each top-level window of the thread, in the system's order, until it
  // returns false.
  virtual void EnumThreadWindows(TThreadId thread,
                                 const std::function<bool(TWindowHandle)>& visit) = 0;
  virtual bool IsWindowVisible(TWindowHandle window) = 0;
  virtual bool IsIconic(TWindowHandle window) = 0;
  virtual void ShowWindow(TWindowHandle window, int command) = 0;
  virtual TWindowHandle GetForegroundWindow() = 0;
  // The thread that created the window (GetWindowThreadProcessId without the process id).
  virtual TThreadId GetWindowThreadProcessId(TWindowHandle window) = 0;
  // Attaches (or detaches) the input of thread `attach` to that of thread `attachTo`.
  virtual bool AttachThreadInput(TThreadId attach, TThreadId attachTo, bool doAttach) = 0;
  virtual bool BringWindowToTop(TWindowHandle window) = 0;
  virtual bool SetForegroundWindow(TWindowHandle window) = 0;
  // SystemParametersInfo with SPI_GETFOREGROUNDLOCKTIMEOUT (0x2000); false when refused.
  virtual bool GetForegroundLockTimeout(std::uint32_t& milliseconds) = 0;
  // SystemParametersInfo with SPI_SETFOREGROUNDLOCKTIMEOUT (0x2001), the value in place of the
  // pointer and SPIF_SENDWININICHANGE (2).
  virtual bool SetForegroundLockTimeout(std::uint32_t milliseconds) = 0;
  // The version read when this object was made, at program start.
  virtual TOsVersion OsVersion() const = 0;
  // True where the library's dialogs are programs of their own that may take a while to start
  // and come one after another within one call (a certificate choice, then the PIN): the watch
  // then lasts until the call returns and brings each new dialog forward once.
  virtual bool WatchesWholeCall() const noexcept { return false; }
  // False where no window can be found at all (no display to look at): a watch would only
  // count ticks. Fixed when this object is made; safe to read on any thread.
  virtual bool HasWindowsToWatch() const noexcept { return true; }
};

// The platform's window system.
std::unique_ptr<IWindowSystem> CreateWindowSystem();

}  // namespace platform
