// A form window without a window system: caption, bounds, styles and the
// creation parameters are kept as state; closing is an event of the loop.
#pragma once

#include <atomic>

#include "platform/form_window.h"

namespace platform {

class THeadlessApplication;

class THeadlessForm final : public IFormWindow {
 public:
  THeadlessForm(THeadlessApplication& application, TCreateParamsHook createParams);
  ~THeadlessForm() override;

  void SetCaption(const std::u16string& caption) override { FCaption = caption; }
  std::u16string Caption() const override { return FCaption; }
  void SetBounds(const TBounds& bounds) override { FBounds = bounds; }
  TBounds Bounds() const override { return FBounds; }
  void SetBorderStyle(TBorderStyle style) override { FBorderStyle = style; }
  TBorderStyle BorderStyle() const noexcept override { return FBorderStyle; }
  void SetFormStyle(TFormStyle style) override { FFormStyle = style; }
  TFormStyle FormStyle() const noexcept override { return FFormStyle; }

  std::unique_ptr<ILabel> CreateLabel(const TLabelDesign& design) override;
  std::unique_ptr<ILogControl> CreateLogControl(const TLogControlDesign& design) override;

  void DefaultCreateParams(TCreateParams& params) const override;
  void HandleNeeded() override;
  bool HandleAllocated() const noexcept override { return FHandleAllocated; }
  TCreateParams CreatedParams() const override { return FCreatedParams; }

  bool Visible() const noexcept override { return FVisible; }
  bool Closed() const noexcept override { return FClosed; }
  void PostClose() override;

  // Main thread: what the loop does with a show request and a close request.
  void Show();
  void Close() noexcept;

 private:
  THeadlessApplication& FApplication;
  TCreateParamsHook FCreateParamsHook;
  std::u16string FCaption;
  TBounds FBounds;
  TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  bool FHandleAllocated = false;
  TCreateParams FCreatedParams;
  bool FVisible = false;
  std::atomic<bool> FClosed{false};
};

}  // namespace platform
