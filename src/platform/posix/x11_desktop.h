#pragma once
// The X11 calls that bring a dialog forward, with libX11 opened only when first needed: the host
// starts without it and runs where there is no X server at all. All calls on one thread.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform::x11 {

using TXWindow = unsigned long;

class TX11Desktop {
 public:
  // A connection to $DISPLAY; null without one or without libX11.
  static std::unique_ptr<TX11Desktop> Connect();
  ~TX11Desktop();
  // The server went away: nothing works on this connection any more.
  bool Lost() const noexcept;
  TX11Desktop(const TX11Desktop&) = delete;
  TX11Desktop& operator=(const TX11Desktop&) = delete;

  // The top-level windows of applications: the window manager's list, or the root's children
  // where no manager keeps one.
  std::vector<TXWindow> ClientWindows();
  // The process that owns the window (_NET_WM_PID), where the window says.
  std::optional<pid_t> WindowPid(TXWindow window);
  // Shown or minimised, not withdrawn.
  bool IsShown(TXWindow window);
  bool IsIconic(TXWindow window);
  TXWindow ActiveWindow();
  // Maps the window again after it was minimised.
  void Restore(TXWindow window);
  // Puts the window on top of its siblings.
  void Raise(TXWindow window);
  // Asks the window manager to activate the window the way a pager or task bar does, which
  // managers grant even to a program the person did not start just now.
  void Activate(TXWindow window);

  struct TLibrary;

 private:
  TX11Desktop(const TLibrary& x, void* display) : FX(x), FDisplay(display) {}
  unsigned long AtomNamed(const char* name);
  std::vector<unsigned long> Property(TXWindow window, unsigned long property, unsigned long type);
  bool ManagerSupports(unsigned long atom);

  const TLibrary& FX;
  void* FDisplay;
};

}  // namespace platform::x11
