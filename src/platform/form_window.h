// The window of a form. Touch it on the main thread only, except PostClose.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/log_control.h"

namespace platform {

// Called when the window is about to be created; adjusts the parameters that
// the form's own computation (IFormWindow::DefaultCreateParams) would use.
using TCreateParamsHook = std::function<void(TCreateParams& params)>;

class IFormWindow {
 public:
  virtual ~IFormWindow() = default;

  virtual void SetCaption(const std::u16string& caption) = 0;
  virtual std::u16string Caption() const = 0;
  virtual void SetBounds(const TBounds& bounds) = 0;
  virtual TBounds Bounds() const = 0;
  virtual void SetBorderStyle(TBorderStyle style) = 0;
  virtual TBorderStyle BorderStyle() const noexcept = 0;
  virtual void SetFormStyle(TFormStyle style) = 0;
  virtual TFormStyle FormStyle() const noexcept = 0;

  virtual std::unique_ptr<ILabel> CreateLabel(const TLabelDesign& design) = 0;
  virtual std::unique_ptr<ILogControl> CreateLogControl(const TLogControlDesign& design) = 0;

  // The standard form's computation of the creation parameters from the
  // current caption, bounds and styles: what a form without a hook gets.
  virtual void DefaultCreateParams(TCreateParams& params) const = 0;
  // Creates the window now if it does not exist yet (through the hook).
  virtual void HandleNeeded() = 0;
  virtual bool HandleAllocated() const noexcept = 0;
  // The parameters the window was created with (meaningful once allocated).
  virtual TCreateParams CreatedParams() const = 0;

  virtual bool Visible() const noexcept = 0;
  virtual bool Closed() const noexcept = 0;

  // Posts a close request to the window and returns at once; the form closes
  // when the main thread's loop gets to it. Any thread may call it.
  virtual void PostClose() = 0;

 protected:
  IFormWindow() = default;
  IFormWindow(const IFormWindow&) = default;
  IFormWindow& operator=(const IFormWindow&) = default;
};

}  // namespace platform
