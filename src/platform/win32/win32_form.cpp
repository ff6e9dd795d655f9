#include "platform/win32/win32_form.h"

#include <algorithm>
#include <stdexcept>

#include "platform/form_styles.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"

namespace platform {

// The portable style values are the window system's own.
static_assert(kWsPopup == WS_POPUP && kWsCaption == WS_CAPTION && kWsSysMenu == WS_SYSMENU &&
              kWsThickFrame == WS_THICKFRAME && kWsMinimizeBox == WS_MINIMIZEBOX &&
              kWsMaximizeBox == WS_MAXIMIZEBOX && kWsClipSiblings == WS_CLIPSIBLINGS &&
              kWsClipChildren == WS_CLIPCHILDREN);
static_assert(kWsExTopmost == WS_EX_TOPMOST && kWsExToolWindow == WS_EX_TOOLWINDOW &&
              kWsExWindowEdge == WS_EX_WINDOWEDGE && kWsExDlgModalFrame == WS_EX_DLGMODALFRAME);

namespace {

constexpr wchar_t kFormClass[] = L"FerolantForm";

const wchar_t* AsWide(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

bool TWin32Form::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.style = CS_DBLCLKS;
  form.lpfnWndProc = FormWindowProc;
  form.hInstance = instance;
  form.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  return RegisterClassExW(&form) != 0;
}

TWin32Form::TWin32Form(TWin32Application& application, TCreateParamsHook createParams)
    : FApplication(application), FCreateParamsHook(std::move(createParams)) {
  FApplication.RegisterForm(this);
}

TWin32Form::~TWin32Form() {
  FApplication.UnregisterForm(this);
  for (TWin32Control* control : FControls) control->FormGone();
  if (HWND window = FHandle.exchange(nullptr)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
}

void TWin32Form::SetCaption(const std::u16string& caption) {
  FCaption = caption;
  if (HWND window = Handle()) SetWindowTextW(window, AsWide(FCaption));
}

void TWin32Form::SetBounds(const TBounds& bounds) {
  FBounds = bounds;
  if (HWND window = Handle()) {
    SetWindowPos(window, nullptr, bounds.Left, bounds.Top, bounds.Width, bounds.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TWin32Form::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  ApplyStyles();
}

void TWin32Form::SetFormStyle(TFormStyle style) {
  FFormStyle = style;
  ApplyStayOnTop();
}

SIZE TWin32Form::ClientSize() const {
  // What the client area of a window of these bounds and styles measures.
  TCreateParams params;
  DefaultCreateParams(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return {std::max(0L, FBounds.Width - (frame.right - frame.left)),
          std::max(0L, FBounds.Height - (frame.bottom - frame.top))};
}

std::unique_ptr<ILabel> TWin32Form::CreateLabel(const TLabelDesign& design) {
  auto label = std::make_unique<TWin32Label>(*this, design, ClientSize());
  FControls.push_back(label.get());
  if (HWND window = Handle()) label->CreateWindowOn(window);
  return label;
}

std::unique_ptr<ILogControl> TWin32Form::CreateLogControl(const TLogControlDesign& design) {
  auto log = std::make_unique<TWin32RichLog>(*this, design, ClientSize());
  FControls.push_back(log.get());
  if (HWND window = Handle()) log->CreateWindowOn(window);
  return log;
}

void TWin32Form::RemoveControl(TWin32Control* control) noexcept { std::erase(FControls, control); }

void TWin32Form::DefaultCreateParams(TCreateParams& params) const {
  params = StandardCreateParams(FCaption, FBounds, FBorderStyle, FFormStyle);
}

void TWin32Form::HandleNeeded() {
  if (Handle() != nullptr) return;
  TCreateParams params;
  DefaultCreateParams(params);
  if (FCreateParamsHook) FCreateParamsHook(params);
  HWND window = CreateWindowExW(params.ExStyle, kFormClass, AsWide(params.Caption), params.Style,
                                params.Bounds.Left, params.Bounds.Top, params.Bounds.Width,
                                params.Bounds.Height,
                                params.OwnedByApplication ? FApplication.Window() : nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) throw std::runtime_error("Cannot create the form's window");
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  FCreatedParams = params;
  FHandle = window;
  for (TWin32Control* control : FControls) control->CreateWindowOn(window);
  RECT client{};
  GetClientRect(window, &client);
  for (TWin32Control* control : FControls) control->ParentResized(client.right, client.bottom);
  // Stay-on-top holds even when the creation parameters dropped the topmost bit.
  ApplyStayOnTop();
}

void TWin32Form::PostClose() {
  // The window's own close message when it exists; before that, the main thread closes the
  // form once it gets to it, so a close is never lost.
  if (HWND window = Handle()) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else {
    FApplication.PostCloseOf(this);
  }
}

void TWin32Form::Show() {
  HandleNeeded();
  FVisible = true;
  ShowWindow(Handle(), SW_SHOWNORMAL);
}

void TWin32Form::Close() noexcept {
  FVisible = false;
  FClosed = true;
  if (HWND window = Handle()) ShowWindow(window, SW_HIDE);
}

void TWin32Form::ApplyStyles() {
  HWND window = Handle();
  if (window == nullptr) return;
  TCreateParams params;
  DefaultCreateParams(params);
  if (FCreateParamsHook) FCreateParamsHook(params);
  const LONG_PTR visible = GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE;
  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(params.Style) | visible);
  SetWindowLongPtrW(window, GWL_EXSTYLE, static_cast<LONG_PTR>(params.ExStyle & ~WS_EX_TOPMOST));
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ApplyStayOnTop();
}

void TWin32Form::ApplyStayOnTop() {
  HWND window = Handle();
  if (window == nullptr) return;
  SetWindowPos(window, FFormStyle == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0,
               0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK TWin32Form::FormWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (auto* form = reinterpret_cast<TWin32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
    return form->HandleMessage(window, message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32Form::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Closing hides the form; the window itself goes with the form object.
      Close();
      return 0;
    case WM_SIZE:
      for (TWin32Control* control : FControls) {
        control->ParentResized(LOWORD(lParam), HIWORD(lParam));
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace platform
