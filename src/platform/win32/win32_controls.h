// The form's label (a static control) and its log (a RichEdit control in rich-text mode).
// Their windows are made with the form's; until then the log keeps its lines by itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/log_control.h"
#include "platform/win32/win32_form.h"

namespace platform {

// Position and anchors of a control on its form.
class TAnchoredPlacement {
 public:
  TAnchoredPlacement(const TBounds& bounds, std::uint8_t anchors, SIZE designClient) noexcept
      : FBounds(bounds), FAnchors(anchors), FDesignClient(designClient) {}
  // Where the control goes in a client area of this size: an edge anchored to the right or
  // bottom keeps its distance to that side.
  TBounds In(int clientWidth, int clientHeight) const noexcept;

 private:
  TBounds FBounds;
  std::uint8_t FAnchors;
  SIZE FDesignClient;
};

class TWin32Label final : public ILabel, public TWin32Control {
 public:
  TWin32Label(TWin32Form& form, TLabelDesign design, SIZE designClient);
  ~TWin32Label() override;

  const TLabelDesign& Design() const noexcept override { return FDesign; }

  void CreateWindowOn(HWND parent) override;
  void ParentResized(int width, int height) override;
  void FormGone() noexcept override;

 private:
  TWin32Form* FForm;
  TLabelDesign FDesign;
  TAnchoredPlacement FPlacement;
  HWND FWindow = nullptr;
};

class TWin32RichLog final : public ILogControl, public TWin32Control {
 public:
  TWin32RichLog(TWin32Form& form, TLogControlDesign design, SIZE designClient);
  ~TWin32RichLog() override;

  void AppendLine(const std::string& line) override;
  std::vector<std::string> Lines() const override { return FLines; }
  // The control's own Rich Text stream-out, written to the file.
  void SaveToFile(const std::string& fileName) override;
  const TLogControlDesign& Design() const noexcept override { return FDesign; }

  void CreateWindowOn(HWND parent) override;
  void ParentResized(int width, int height) override;
  void FormGone() noexcept override;

  HWND Window() const noexcept { return FWindow; }

 private:
  void AppendToWindow(const std::string& line, bool first);

  TWin32Form* FForm;
  TLogControlDesign FDesign;
  TAnchoredPlacement FPlacement;
  std::vector<std::string> FLines;
  HWND FWindow = nullptr;
};

}  // namespace platform
