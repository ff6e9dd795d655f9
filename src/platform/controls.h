// Window geometry, styles and the designs of the form's controls.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TBounds&, const TBounds&) = default;
};

// Window and extended window styles, with the values the window system uses.
inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsCaption = 0x00C00000u;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000u;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000u;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr std::uint32_t kWsMaximizeBox = 0x00010000u;
inline constexpr std::uint32_t kWsBorder = 0x00800000u;
inline constexpr std::uint32_t kWsDlgFrame = 0x00400000u;
inline constexpr std::uint32_t kWsClipSiblings = 0x04000000u;
inline constexpr std::uint32_t kWsClipChildren = 0x02000000u;
inline constexpr std::uint32_t kWsExTopmost = 0x00000008u;
inline constexpr std::uint32_t kWsExToolWindow = 0x00000080u;
inline constexpr std::uint32_t kWsExWindowEdge = 0x00000100u;
inline constexpr std::uint32_t kWsExDlgModalFrame = 0x00000001u;
inline constexpr std::uint32_t kWsExAppWindow = 0x00040000u;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsStayOnTop };

// What a form window is created with.
struct TCreateParams {
  std::u16string Caption;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  TBounds Bounds;
  // A window owned by the application's window gets no task-bar button of its own.
  bool OwnedByApplication = false;
};

enum TAnchor : std::uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct TLabelDesign {
  TBounds Bounds;
  std::u16string Caption;
};

struct TLogControlDesign {
  TBounds Bounds;
  std::uint8_t Anchors = akLeft | akTop;
  bool VerticalScrollBar = false;
  int TabOrder = 0;
  bool PlainText = false;
};

class ILabel {
 public:
  virtual ~ILabel() = default;
  virtual const TLabelDesign& Design() const noexcept = 0;

 protected:
  ILabel() = default;
  ILabel(const ILabel&) = default;
  ILabel& operator=(const ILabel&) = default;
};

}  // namespace platform
