#include "platform/form_styles.h"

namespace platform {

TCreateParams StandardCreateParams(const std::u16string& caption, const TBounds& bounds,
                                   TBorderStyle borderStyle, TFormStyle formStyle) {
  TCreateParams params;
  params.Caption = caption;
  params.Bounds = bounds;
  params.Style = kWsClipSiblings | kWsClipChildren;
  params.ExStyle = 0;
  switch (borderStyle) {
    case TBorderStyle::bsNone:
      params.Style |= kWsPopup;
      break;
    case TBorderStyle::bsSingle:
      params.Style |= kWsCaption | kWsSysMenu | kWsMinimizeBox | kWsMaximizeBox;
      break;
    case TBorderStyle::bsSizeable:
      params.Style |= kWsCaption | kWsSysMenu | kWsMinimizeBox | kWsMaximizeBox | kWsThickFrame;
      break;
    case TBorderStyle::bsDialog:
      params.Style |= kWsPopup | kWsCaption | kWsSysMenu;
      params.ExStyle |= kWsExDlgModalFrame | kWsExWindowEdge;
      break;
    case TBorderStyle::bsToolWindow:
      params.Style |= kWsCaption | kWsSysMenu;
      params.ExStyle |= kWsExToolWindow;
      break;
    case TBorderStyle::bsSizeToolWin:
      params.Style |= kWsCaption | kWsSysMenu | kWsThickFrame;
      params.ExStyle |= kWsExToolWindow;
      break;
  }
  if (formStyle == TFormStyle::fsStayOnTop) params.ExStyle |= kWsExTopmost;
  // Forms are owned by the application's window, which carries the task-bar button.
  params.OwnedByApplication = true;
  return params;
}

}  // namespace platform
