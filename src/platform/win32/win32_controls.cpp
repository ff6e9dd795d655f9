#include "platform/win32/win32_controls.h"

#include <richedit.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/log_file.h"

namespace platform {

namespace {

// The log's narrow texts are Windows-1250 bytes, whatever the system's code page.
constexpr UINT kLogCodePage = 1250;

std::wstring WideFromLog(const std::string& line) {
  if (line.empty()) return {};
  const int length = static_cast<int>(line.size());
  const int size = MultiByteToWideChar(kLogCodePage, 0, line.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  if (size > 0) MultiByteToWideChar(kLogCodePage, 0, line.data(), length, wide.data(), size);
  return wide;
}

HFONT ControlFont() noexcept { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// The rich-edit library from the system folder only: a planted copy next to the host must not
// be loaded in its place.
const wchar_t* RichEditClass() {
  static const bool loaded = [] {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::wstring path = std::wstring(folder, length) + L"\\riched20.dll";
    return LoadLibraryW(path.c_str()) != nullptr;
  }();
  if (!loaded) throw std::runtime_error("Cannot load the rich-text control");
  return RICHEDIT_CLASSW;
}

HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                 HWND parent, const TBounds& bounds) {
  HWND window = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style,
                                bounds.Left, bounds.Top, bounds.Width, bounds.Height, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) throw std::runtime_error("Cannot create a control of the form");
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
  return window;
}

void Place(HWND window, const TBounds& bounds) noexcept {
  if (window == nullptr) return;
  SetWindowPos(window, nullptr, bounds.Left, bounds.Top, bounds.Width, bounds.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

struct TStreamTarget {
  HANDLE File;
  bool Failed = false;
};

DWORD CALLBACK WriteStreamedOut(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
  auto& target = *reinterpret_cast<TStreamTarget*>(cookie);
  if (!platform::win32::WriteAllBytes(target.File, bytes, static_cast<std::size_t>(count))) {
    target.Failed = true;
    *written = 0;
    return 1;
  }
  *written = count;
  return 0;
}

}  // namespace

TBounds TAnchoredPlacement::In(int clientWidth, int clientHeight) const noexcept {
  TBounds placed = FBounds;
  const int rightGap = FDesignClient.cx - (FBounds.Left + FBounds.Width);
  const int bottomGap = FDesignClient.cy - (FBounds.Top + FBounds.Height);
  if (FAnchors & akRight) {
    if (FAnchors & akLeft) {
      placed.Width = std::max(0, clientWidth - FBounds.Left - rightGap);
    } else {
      placed.Left = clientWidth - rightGap - FBounds.Width;
    }
  }
  if (FAnchors & akBottom) {
    if (FAnchors & akTop) {
      placed.Height = std::max(0, clientHeight - FBounds.Top - bottomGap);
    } else {
      placed.Top = clientHeight - bottomGap - FBounds.Height;
    }
  }
  return placed;
}

TWin32Label::TWin32Label(TWin32Form& form, TLabelDesign design, SIZE designClient)
    : FForm(&form),
      FDesign(std::move(design)),
      FPlacement(FDesign.Bounds, akLeft | akTop, designClient) {}

TWin32Label::~TWin32Label() {
  if (FForm != nullptr) FForm->RemoveControl(this);
  if (FWindow != nullptr) DestroyWindow(FWindow);
}

void TWin32Label::CreateWindowOn(HWND parent) {
  FWindow = CreateChild(L"STATIC", reinterpret_cast<const wchar_t*>(FDesign.Caption.c_str()),
                        SS_LEFT | SS_NOPREFIX, 0, parent, FDesign.Bounds);
}

void TWin32Label::ParentResized(int width, int height) {
  Place(FWindow, FPlacement.In(width, height));
}

void TWin32Label::FormGone() noexcept {
  FForm = nullptr;
  FWindow = nullptr;  // a child window goes with its parent
}

TWin32RichLog::TWin32RichLog(TWin32Form& form, TLogControlDesign design, SIZE designClient)
    : FForm(&form), FDesign(design), FPlacement(design.Bounds, design.Anchors, designClient) {}

TWin32RichLog::~TWin32RichLog() {
  if (FForm != nullptr) FForm->RemoveControl(this);
  if (FWindow != nullptr) DestroyWindow(FWindow);
}

void TWin32RichLog::CreateWindowOn(HWND parent) {
  DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL | WS_TABSTOP;
  if (FDesign.VerticalScrollBar) style |= WS_VSCROLL;
  FWindow = CreateChild(RichEditClass(), L"", style, WS_EX_CLIENTEDGE, parent, FDesign.Bounds);
  // No limit but memory: the log only grows.
  SendMessageW(FWindow, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SendMessageW(FWindow, EM_SETTEXTMODE, FDesign.PlainText ? TM_PLAINTEXT : TM_RICHTEXT, 0);
  for (std::size_t i = 0; i < FLines.size(); ++i) AppendToWindow(FLines[i], i == 0);
}

void TWin32RichLog::ParentResized(int width, int height) {
  Place(FWindow, FPlacement.In(width, height));
}

void TWin32RichLog::FormGone() noexcept {
  FForm = nullptr;
  FWindow = nullptr;
}

void TWin32RichLog::AppendLine(const std::string& line) {
  FLines.push_back(line);
  if (FWindow != nullptr) AppendToWindow(line, FLines.size() == 1);
}

void TWin32RichLog::AppendToWindow(const std::string& line, bool first) {
  // A paragraph break before every line but the first, so the control holds exactly the lines.
  const std::wstring text = (first ? L"" : L"\r") + WideFromLog(line);
  SendMessageW(FWindow, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(FWindow, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TWin32RichLog::SaveToFile(const std::string& fileName) {
  // Streaming needs the control's window, which comes with the form's.
  if (FWindow == nullptr && FForm != nullptr) FForm->HandleNeeded();
  if (FWindow == nullptr) throw std::runtime_error("Failed to Save Stream");
  std::string error;
  platform::win32::TUniqueHandle file = platform::win32::CreateLogFile(fileName, error);
  if (!file) throw std::runtime_error(error);
  TStreamTarget target{file.Get()};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&target);
  stream.pfnCallback = WriteStreamedOut;
  SendMessageW(FWindow, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  if (target.Failed || stream.dwError != 0 || !file.Reset()) {
    throw std::runtime_error("Failed to Save Stream");
  }
}

}  // namespace platform
