#include "standin/choice_dialog.h"

#include <windows.h>

#include <string>

namespace standin {

namespace {

// Long enough for the host's dialog watch (a look every 200 ms) to find the window and bring
// it forward, short enough to keep tests quick.
constexpr UINT kShownMilliseconds = 1500;
constexpr UINT_PTR kCloseTimer = 1;
constexpr wchar_t kClassName[] = L"TavrinStandInChoice";

HINSTANCE ThisModule() noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

LRESULT CALLBACK ChoiceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetTimer(window, kCloseTimer, kShownMilliseconds, nullptr);
      return 0;
    case WM_TIMER:
      if (wParam == kCloseTimer) {
        KillTimer(window, kCloseTimer);
        DestroyWindow(window);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterChoiceClass(HINSTANCE module) noexcept {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ChoiceWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void ShowChoiceDialog(std::u16string_view title) {
  // A real top-level window of the calling thread, as the signing library's file dialog is,
  // so that the host's dialog watch finds it, and run modally: the caller waits until it has
  // closed itself.
  const HINSTANCE module = ThisModule();
  if (!RegisterChoiceClass(module)) return;
  std::wstring caption(title.begin(), title.end());
  if (caption.empty()) caption = L"Tavrin stand-in: choose a file";
  HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(),
                                WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                360, 120, nullptr, nullptr, module, nullptr);
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // Someone asked this thread to quit: pass it on to the caller's own loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (IsWindow(window)) DestroyWindow(window);
}

}  // namespace standin
