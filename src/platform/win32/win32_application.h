// The application on the Win32 window system: its own top-level window (which carries the
// task-bar button until the main form hides it), a hidden message window of the main thread
// that runs handed-over routines and timer ticks, and the message loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "platform/application.h"

namespace platform {

class TWin32Form;
class TWin32Timer;

class TWin32Application final : public IApplication {
 public:
  TWin32Application();
  ~TWin32Application() override;

  void Initialize() override;
  void Synchronize(const std::function<void()>& routine) override;

  void SetTitle(const std::u16string& title) override;
  std::u16string Title() const override;
  void ShowApplicationWindow(bool show) override;
  bool ApplicationWindowVisible() const noexcept override;
  std::uint32_t ApplicationExStyle() const noexcept override;
  void SetApplicationExStyle(std::uint32_t exStyle) override;

  std::unique_ptr<IFormWindow> CreateForm(TCreateParamsHook createParams) override;
  std::unique_ptr<ITimer> CreateTimer(std::function<void()> onTimer) override;

  void Run(IFormWindow& mainForm) override;
  void CloseMainFormOnShutdownRequests() override;

  // For forms and timers (main thread, except PostCloseOf).
  HWND Window() const noexcept { return FWindow; }
  void RegisterForm(TWin32Form* form);
  void UnregisterForm(TWin32Form* form);
  // Any thread: closes the form on the main thread, whether or not it has a window yet.
  void PostCloseOf(TWin32Form* form);
  // Starts a system timer for the timer and returns its id, never the id of an earlier one.
  UINT_PTR StartTimer(TWin32Timer* timer, std::uint32_t interval);
  void StopTimer(UINT_PTR id) noexcept;

 private:
  static LRESULT CALLBACK ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK UtilityWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleUtilityMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CloseFormNow(TWin32Form* form);
  bool IsMainThread() const noexcept { return GetCurrentThreadId() == FMainThreadId; }

  std::atomic<DWORD> FMainThreadId;
  HWND FWindow = nullptr;   // the application's top-level window
  HWND FUtility = nullptr;  // message-only window: hand-overs, closes, timers

  std::mutex FFormsMutex;  // forms may be closed from any thread
  std::set<TWin32Form*> FForms;
  std::map<UINT_PTR, TWin32Timer*> FTimers;  // main thread only
  UINT_PTR FLastTimerId = 0;
  TWin32Form* FMainForm = nullptr;
  bool FClosesOnShutdown = false;
};

}  // namespace platform
