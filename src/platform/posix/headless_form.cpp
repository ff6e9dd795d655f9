#include "platform/posix/headless_form.h"

#include "platform/posix/headless_application.h"
#include "platform/posix/headless_controls.h"

THeadlessForm::THeadlessForm(THeadlessApplication& application, TCreateParamsHook createParams)
    : FApplication(application), FCreateParamsHook(std::move(createParams)) {
  FApplication.RegisterForm(this);
}

THeadlessForm::~THeadlessForm() { FApplication.UnregisterForm(this); }

std::unique_ptr<ILabel> THeadlessForm::CreateLabel(const TLabelDesign& design) {
  return std::make_unique<THeadlessLabel>(design);
}

std::unique_ptr<ILogControl> THeadlessForm::CreateLogControl(const TLogControlDesign& design) {
  return std::make_unique<TMemoryLogControl>(design);
}

void THeadlessForm::DefaultCreateParams(TCreateParams& params) const {
  params.Caption = FCaption;
  params.Bounds = FBounds;
  params.Style = kWsClipSiblings | kWsClipChildren;
  params.ExStyle = 0;
  switch (FBorderStyle) {
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
  if (FFormStyle == TFormStyle::fsStayOnTop) params.ExStyle |= kWsExTopmost;
  // Forms are owned by the application's window, which carries the task-bar button.
  params.OwnedByApplication = true;
}

void THeadlessForm::HandleNeeded() {
  if (FHandleAllocated) return;
  TCreateParams params;
  DefaultCreateParams(params);
  if (FCreateParamsHook) FCreateParamsHook(params);
  FCreatedParams = params;
  FHandleAllocated = true;
}

void THeadlessForm::PostClose() { FApplication.PostClose(this); }

void THeadlessForm::Show() {
  HandleNeeded();
  FVisible = true;
}

void THeadlessForm::Close() noexcept {
  FVisible = false;
  FClosed = true;
}
