// A form window on the Win32 window system. Caption, bounds and styles are kept as state
// until the window exists and applied to it afterwards; the controls are created with it.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "platform/form_window.h"

namespace platform {

class TWin32Application;

// A control whose window lives on a form and is created with the form's window.
class TWin32Control {
 public:
  virtual ~TWin32Control() = default;
  virtual void CreateWindowOn(HWND parent) = 0;
  // Follows the anchors when the form's client area changes size.
  virtual void ParentResized(int width, int height) = 0;
  // The form is going away before the control: its window goes with it.
  virtual void FormGone() noexcept = 0;

 protected:
  TWin32Control() = default;
  TWin32Control(const TWin32Control&) = default;
  TWin32Control& operator=(const TWin32Control&) = default;
};

class TWin32Form final : public IFormWindow {
 public:
  TWin32Form(TWin32Application& application, TCreateParamsHook createParams);
  ~TWin32Form() override;

  void SetCaption(const std::u16string& caption) override;
  std::u16string Caption() const override { return FCaption; }
  void SetBounds(const TBounds& bounds) override;
  TBounds Bounds() const override { return FBounds; }
  void SetBorderStyle(TBorderStyle style) override;
  TBorderStyle BorderStyle() const noexcept override { return FBorderStyle; }
  void SetFormStyle(TFormStyle style) override;
  TFormStyle FormStyle() const noexcept override { return FFormStyle; }

  std::unique_ptr<ILabel> CreateLabel(const TLabelDesign& design) override;
  std::unique_ptr<ILogControl> CreateLogControl(const TLogControlDesign& design) override;

  void DefaultCreateParams(TCreateParams& params) const override;
  void HandleNeeded() override;
  bool HandleAllocated() const noexcept override { return FHandle.load() != nullptr; }
  TCreateParams CreatedParams() const override { return FCreatedParams; }

  bool Visible() const noexcept override { return FVisible; }
  bool Closed() const noexcept override { return FClosed; }
  void PostClose() override;

  // Main thread.
  HWND Handle() const noexcept { return FHandle.load(); }
  void Show();
  void Close() noexcept;
  void RemoveControl(TWin32Control* control) noexcept;
  static bool RegisterWindowClass(HINSTANCE instance);

 private:
  static LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The client area the current bounds and styles give: what anchored controls keep their
  // distances to.
  SIZE ClientSize() const;
  void ApplyStyles();
  void ApplyStayOnTop();

  TWin32Application& FApplication;
  TCreateParamsHook FCreateParamsHook;
  std::u16string FCaption;
  TBounds FBounds;
  TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  std::atomic<HWND> FHandle{nullptr};
  TCreateParams FCreatedParams;
  bool FVisible = false;
  std::atomic<bool> FClosed{false};
  std::vector<TWin32Control*> FControls;
};

}  // namespace platform
