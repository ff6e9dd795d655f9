#include "platform/posix/headless_form.h"

#include "platform/form_styles.h"
#include "platform/posix/headless_application.h"
#include "platform/posix/headless_controls.h"

namespace platform {

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
  params = StandardCreateParams(FCaption, FBounds, FBorderStyle, FFormStyle);
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

}  // namespace platform
