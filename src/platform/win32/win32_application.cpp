#include "platform/win32/win32_application.h"

#include <exception>
#include <mutex>
#include <stdexcept>

#include "platform/win32/win32_form.h"
#include "platform/win32/win32_timer.h"

namespace platform {

namespace {

constexpr wchar_t kApplicationClass[] = L"FerolantApplication";
constexpr wchar_t kUtilityClass[] = L"FerolantMainThread";

// Messages of the main thread's message window.
constexpr UINT kRunRoutine = WM_APP + 1;  // lParam: TSyncCall*, sent by the waiting thread
constexpr UINT kCloseForm = WM_APP + 2;   // lParam: the form to close, posted from any thread

// One hand-over, on the stack of the waiting thread: SendMessage keeps that thread blocked
// until the main thread has run the routine, so nothing here needs a lock.
struct TSyncCall {
  const std::function<void()>* Routine;
  std::exception_ptr Error;
  bool Ran = false;
};

HINSTANCE ThisInstance() noexcept { return GetModuleHandleW(nullptr); }

void RegisterClasses() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    const HINSTANCE instance = ThisInstance();
    WNDCLASSEXW application{};
    application.cbSize = sizeof application;
    application.lpfnWndProc = DefWindowProcW;  // replaced per window below
    application.hInstance = instance;
    application.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    application.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    application.lpszClassName = kApplicationClass;
    WNDCLASSEXW utility{};
    utility.cbSize = sizeof utility;
    utility.lpfnWndProc = DefWindowProcW;
    utility.hInstance = instance;
    utility.lpszClassName = kUtilityClass;
    registered = RegisterClassExW(&application) != 0 && RegisterClassExW(&utility) != 0 &&
                 TWin32Form::RegisterWindowClass(instance);
  });
  if (!registered) throw std::runtime_error("Cannot register the window classes");
}

template <typename T>
T* OwnerOf(HWND window) noexcept {
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND CreateOwnedWindow(const wchar_t* className, DWORD style, HWND parent, WNDPROC procedure,
                       void* owner) {
  HWND window = CreateWindowExW(0, className, L"", style, 0, 0, 0, 0, parent, nullptr,
                                ThisInstance(), nullptr);
  if (window == nullptr) throw std::runtime_error("Cannot create the application's windows");
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  return window;
}

}  // namespace

TWin32Application::TWin32Application() : FMainThreadId(GetCurrentThreadId()) {
  RegisterClasses();
  // The application's own window: zero-sized and visible, it is what carries the task-bar
  // button, the way a toolkit's application window does.
  FWindow = CreateOwnedWindow(kApplicationClass,
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              nullptr, ApplicationWindowProc, this);
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2;
  SetWindowPos(FWindow, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(FWindow, SW_SHOWNOACTIVATE);
  FUtility = CreateOwnedWindow(kUtilityClass, 0, HWND_MESSAGE, UtilityWindowProc, this);
}

TWin32Application::~TWin32Application() {
  for (const auto& [id, timer] : FTimers) KillTimer(FUtility, id);
  SetWindowLongPtrW(FUtility, GWLP_USERDATA, 0);
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FUtility);
  DestroyWindow(FWindow);
}

void TWin32Application::Initialize() { FMainThreadId = GetCurrentThreadId(); }

void TWin32Application::Synchronize(const std::function<void()>& routine) {
  if (IsMainThread()) {
    routine();
    return;
  }
  TSyncCall call{&routine, nullptr};
  SendMessageW(FUtility, kRunRoutine, 0, reinterpret_cast<LPARAM>(&call));
  if (!call.Ran) throw std::runtime_error("The main thread no longer runs handed-over routines");
  if (call.Error) std::rethrow_exception(call.Error);
}

void TWin32Application::SetTitle(const std::u16string& title) {
  SetWindowTextW(FWindow, reinterpret_cast<const wchar_t*>(title.c_str()));
}

std::u16string TWin32Application::Title() const {
  std::u16string title(static_cast<std::size_t>(GetWindowTextLengthW(FWindow)) + 1, u'\0');
  const int length = GetWindowTextW(FWindow, reinterpret_cast<wchar_t*>(title.data()),
                                    static_cast<int>(title.size()));
  title.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return title;
}

void TWin32Application::ShowApplicationWindow(bool show) {
  ShowWindow(FWindow, show ? SW_SHOW : SW_HIDE);
}

bool TWin32Application::ApplicationWindowVisible() const noexcept {
  return IsWindowVisible(FWindow) != FALSE;
}

std::uint32_t TWin32Application::ApplicationExStyle() const noexcept {
  return static_cast<std::uint32_t>(GetWindowLongA(FWindow, GWL_EXSTYLE));
}

void TWin32Application::SetApplicationExStyle(std::uint32_t exStyle) {
  SetWindowLongA(FWindow, GWL_EXSTYLE, static_cast<LONG>(exStyle));
}

std::unique_ptr<IFormWindow> TWin32Application::CreateForm(TCreateParamsHook createParams) {
  return std::make_unique<TWin32Form>(*this, std::move(createParams));
}

std::unique_ptr<ITimer> TWin32Application::CreateTimer(std::function<void()> onTimer) {
  return std::make_unique<TWin32Timer>(*this, std::move(onTimer));
}

void TWin32Application::Run(IFormWindow& mainForm) {
  // Only forms made by this application reach here.
  auto& form = static_cast<TWin32Form&>(mainForm);
  FMainForm = &form;
  form.Show();
  MSG message;
  while (!form.Closed()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // Someone asked the thread to quit: the loop ends as if the form had closed.
      form.Close();
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  FMainForm = nullptr;
}

void TWin32Application::CloseMainFormOnShutdownRequests() { FClosesOnShutdown = true; }

void TWin32Application::RegisterForm(TWin32Form* form) {
  std::lock_guard lock(FFormsMutex);
  FForms.insert(form);
}

void TWin32Application::UnregisterForm(TWin32Form* form) {
  std::lock_guard lock(FFormsMutex);
  FForms.erase(form);
}

void TWin32Application::PostCloseOf(TWin32Form* form) {
  PostMessageW(FUtility, kCloseForm, 0, reinterpret_cast<LPARAM>(form));
}

UINT_PTR TWin32Application::StartTimer(TWin32Timer* timer, std::uint32_t interval) {
  const UINT_PTR id = ++FLastTimerId;
  if (SetTimer(FUtility, id, interval, nullptr) == 0) return 0;
  FTimers[id] = timer;
  return id;
}

void TWin32Application::StopTimer(UINT_PTR id) noexcept {
  KillTimer(FUtility, id);
  FTimers.erase(id);
}

void TWin32Application::CloseFormNow(TWin32Form* form) {
  {
    // A form destroyed since the close was posted is not touched.
    std::lock_guard lock(FFormsMutex);
    if (!FForms.contains(form)) return;
  }
  if (HWND window = form->Handle()) {
    SendMessageW(window, WM_CLOSE, 0, 0);
  } else {
    form->Close();
  }
}

LRESULT CALLBACK TWin32Application::UtilityWindowProc(HWND window, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
  if (auto* application = OwnerOf<TWin32Application>(window)) {
    return application->HandleUtilityMessage(message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32Application::HandleUtilityMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunRoutine: {
      auto& call = *reinterpret_cast<TSyncCall*>(lParam);
      // Nothing may unwind through the window system: the error travels back to the caller.
      try {
        (*call.Routine)();
      } catch (...) {
        call.Error = std::current_exception();
      }
      call.Ran = true;
      return 0;
    }
    case kCloseForm:
      CloseFormNow(reinterpret_cast<TWin32Form*>(lParam));
      return 0;
    case WM_TIMER: {
      // A tick queued before its timer stopped finds nobody.
      const auto found = FTimers.find(static_cast<UINT_PTR>(wParam));
      if (found == FTimers.end()) return 0;
      try {
        found->second->Tick();
      } catch (...) {
        // A failing tick handler does not stop the loop.
      }
      return 0;
    }
    default:
      return DefWindowProcW(FUtility, message, wParam, lParam);
  }
}

LRESULT CALLBACK TWin32Application::ApplicationWindowProc(HWND window, UINT message, WPARAM wParam,
                                                          LPARAM lParam) {
  if (auto* application = OwnerOf<TWin32Application>(window)) {
    return application->HandleApplicationMessage(message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32Application::HandleApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Closing the application's window (from its task-bar button) closes the main form.
      if (FMainForm != nullptr) CloseFormNow(FMainForm);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The user logs off or the system shuts down: the program ends as if closed.
      if (wParam && FClosesOnShutdown && FMainForm != nullptr) CloseFormNow(FMainForm);
      return 0;
    default:
      return DefWindowProcW(FWindow, message, wParam, lParam);
  }
}

std::unique_ptr<IApplication> CreateApplication() { return std::make_unique<TWin32Application>(); }

}  // namespace platform
