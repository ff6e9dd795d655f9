// The process-wide application: the main thread's message loop, its top-level
// window (the one that normally carries the task-bar button), forms and timers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/form_window.h"
#include "platform/main_thread.h"
#include "platform/timer.h"

namespace platform {

class IApplication : public IMainThread {
 public:
  // Call on the thread that will run the loop; that thread becomes the main thread.
  virtual void Initialize() = 0;

  virtual void SetTitle(const std::u16string& title) = 0;
  virtual std::u16string Title() const = 0;

  // The application's own top-level window.
  virtual void ShowApplicationWindow(bool show) = 0;
  virtual bool ApplicationWindowVisible() const noexcept = 0;
  virtual std::uint32_t ApplicationExStyle() const noexcept = 0;
  virtual void SetApplicationExStyle(std::uint32_t exStyle) = 0;

  // A form window, not yet created; createParams may be empty.
  virtual std::unique_ptr<IFormWindow> CreateForm(TCreateParamsHook createParams) = 0;
  // A disabled timer (interval 1000 ms) whose ticks call onTimer.
  virtual std::unique_ptr<ITimer> CreateTimer(std::function<void()> onTimer) = 0;

  // Creates the main form's window if needed, shows it and runs the message
  // loop until the main form has closed.
  virtual void Run(IFormWindow& mainForm) = 0;

  // From now on the operating system's requests to end the session or the
  // process close the main form, as the user closing it would.
  virtual void CloseMainFormOnShutdownRequests() = 0;
};

std::unique_ptr<IApplication> CreateApplication();

}  // namespace platform
