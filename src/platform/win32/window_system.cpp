#include "platform/window_system.h"

#include <windows.h>

#include <exception>

namespace platform {

namespace {

HWND AsHwnd(TWindowHandle window) noexcept { return reinterpret_cast<HWND>(window); }
TWindowHandle AsHandle(HWND window) noexcept { return reinterpret_cast<TWindowHandle>(window); }

struct TEnumeration {
  const std::function<bool(TWindowHandle)>* visit;
  std::exception_ptr failure;
};

BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM context) noexcept {
  // Nothing may unwind through the system's enumeration: a failure stops it and is raised
  // again once the system has returned.
  auto& enumeration = *reinterpret_cast<TEnumeration*>(context);
  try {
    return (*enumeration.visit)(AsHandle(window)) ? TRUE : FALSE;
  } catch (...) {
    enumeration.failure = std::current_exception();
    return FALSE;
  }
}

TOsVersion ReadOsVersion() noexcept {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return {};
  return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

class TWin32WindowSystem final : public IWindowSystem {
 public:
  void EnumThreadWindows(TThreadId thread,
                         const std::function<bool(TWindowHandle)>& visit) override {
    TEnumeration enumeration{&visit, nullptr};
    ::EnumThreadWindows(thread, VisitThreadWindow, reinterpret_cast<LPARAM>(&enumeration));
    if (enumeration.failure) std::rethrow_exception(enumeration.failure);
  }
  bool IsWindowVisible(TWindowHandle window) override { return ::IsWindowVisible(AsHwnd(window)); }
  bool IsIconic(TWindowHandle window) override { return ::IsIconic(AsHwnd(window)); }
  void ShowWindow(TWindowHandle window, int command) override {
    ::ShowWindow(AsHwnd(window), command);
  }
  TWindowHandle GetForegroundWindow() override { return AsHandle(::GetForegroundWindow()); }
  TThreadId GetWindowThreadProcessId(TWindowHandle window) override {
    return ::GetWindowThreadProcessId(AsHwnd(window), nullptr);
  }
  bool AttachThreadInput(TThreadId attach, TThreadId attachTo, bool doAttach) override {
    return ::AttachThreadInput(attach, attachTo, doAttach ? TRUE : FALSE);
  }
  bool BringWindowToTop(TWindowHandle window) override {
    return ::BringWindowToTop(AsHwnd(window));
  }
  bool SetForegroundWindow(TWindowHandle window) override {
    return ::SetForegroundWindow(AsHwnd(window));
  }
  bool GetForegroundLockTimeout(std::uint32_t& milliseconds) override {
    DWORD value = 0;
    if (!SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0)) return false;
    milliseconds = value;
    return true;
  }
  bool SetForegroundLockTimeout(std::uint32_t milliseconds) override {
    // This setting takes its value in place of the pointer.
    return SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                 reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(milliseconds)),
                                 SPIF_SENDWININICHANGE);
  }
  TOsVersion OsVersion() const override { return FVersion; }

 private:
  const TOsVersion FVersion = ReadOsVersion();
};

}  // namespace

std::unique_ptr<IWindowSystem> CreateWindowSystem() {
  return std::make_unique<TWin32WindowSystem>();
}

}  // namespace platform
