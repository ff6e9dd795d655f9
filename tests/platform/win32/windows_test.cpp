// The host's windows as the window system sees them: the application's own window, the main
// form's owned popup, and the dialog watch's calls on another thread's windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/application.h"
#include "platform/window_system.h"

namespace {

HWND TopLevelOfThisThread(const wchar_t* caption) {
  struct TSearch {
    const wchar_t* Caption;
    HWND Found = nullptr;
  } search{caption};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(context);
        wchar_t text[64] = {};
        GetWindowTextW(window, text, 64);
        if (std::wstring(text) != s.Caption) return TRUE;
        s.Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

TEST(HostWindows, TheFormIsATopmostOwnedPopupOfThePixelAtTheCorner) {
  auto app = platform::CreateApplication();
  app->Initialize();
  app->SetTitle(u"Tavrin for browser");
  auto form = app->CreateForm(
      [](platform::TCreateParams& params) { params.ExStyle &= platform::kWsExToolWindow; });
  form->SetCaption(u"Ferolant");
  form->SetBorderStyle(platform::TBorderStyle::bsNone);
  form->SetFormStyle(platform::TFormStyle::fsStayOnTop);
  form->SetBounds({0, 0, 1, 1});
  form->HandleNeeded();

  const HWND application = TopLevelOfThisThread(L"Tavrin for browser");
  const HWND window = TopLevelOfThisThread(L"Ferolant");
  ASSERT_NE(application, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindow(window, GW_OWNER), application);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << "stay-on-top holds though the creation dropped it";
  RECT bounds{};
  GetWindowRect(window, &bounds);
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 0);
  EXPECT_EQ(bounds.right - bounds.left, 1);
  EXPECT_EQ(bounds.bottom - bounds.top, 1);

  // The application's window as the main form leaves it: visible, but a tool window.
  app->ShowApplicationWindow(false);
  app->SetApplicationExStyle(app->ApplicationExStyle() | platform::kWsExToolWindow);
  app->ShowApplicationWindow(true);
  EXPECT_TRUE(GetWindowLongPtrW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(IsWindowVisible(application));
}

TEST(HostWindows, ClosingTheFormsWindowEndsTheLoop) {
  auto app = platform::CreateApplication();
  app->Initialize();
  auto form = app->CreateForm({});
  form->SetCaption(u"closing");
  std::thread closer([&] {
    // Closed from outside, as the system does, once the window is there.
    HWND window = nullptr;
    for (int tries = 0; tries < 2000 && window == nullptr; ++tries) {
      window = FindWindowW(L"FerolantForm", L"closing");
      if (window == nullptr) Sleep(10);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  });
  app->Run(*form);
  closer.join();
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(IsWindowVisible(TopLevelOfThisThread(L"closing")));
}

class TDialogThread {
 public:
  // A thread with one hidden and one visible top-level window, kept until Stop.
  TDialogThread() {
    FThread = std::thread([this] {
      Hidden = CreateWindowExW(0, L"STATIC", L"hidden", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
      Visible = CreateWindowExW(0, L"STATIC", L"dialog", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
      Id = GetCurrentThreadId();
      Ready = true;
      MSG message;
      while (!Stopping && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      DestroyWindow(Visible);
      DestroyWindow(Hidden);
    });
    while (!Ready) Sleep(1);
  }
  ~TDialogThread() {
    Stopping = true;
    PostThreadMessageW(Id, WM_NULL, 0, 0);
    FThread.join();
  }

  HWND Hidden = nullptr;
  HWND Visible = nullptr;
  std::atomic<DWORD> Id{0};

 private:
  std::atomic<bool> Ready{false};
  std::atomic<bool> Stopping{false};
  std::thread FThread;
};

TEST(WindowSystem, FindsAnotherThreadsWindowsAndTellsVisibleFromHidden) {
  TDialogThread dialog;
  auto system = platform::CreateWindowSystem();
  platform::TWindowHandle firstVisible = 0;
  int seen = 0;
  system->EnumThreadWindows(dialog.Id, [&](platform::TWindowHandle window) {
    ++seen;
    if (!system->IsWindowVisible(window)) return true;
    firstVisible = window;
    return false;
  });
  EXPECT_GE(seen, 1);
  EXPECT_EQ(firstVisible, reinterpret_cast<platform::TWindowHandle>(dialog.Visible));
  EXPECT_EQ(system->GetWindowThreadProcessId(firstVisible), dialog.Id.load());
  EXPECT_FALSE(system->IsIconic(firstVisible));
  EXPECT_GE(system->OsVersion().major, 5u);
  EXPECT_EQ(system->OsVersion().platformId, 2u);
}

TEST(WindowSystem, AFailureOfTheVisitorStopsTheSearchAndReachesTheCaller) {
  TDialogThread dialog;
  auto system = platform::CreateWindowSystem();
  int visits = 0;
  EXPECT_THROW(system->EnumThreadWindows(dialog.Id,
                                         [&](platform::TWindowHandle) -> bool {
                                           ++visits;
                                           throw std::runtime_error("visitor failed");
                                         }),
               std::runtime_error);
  EXPECT_EQ(visits, 1);
}

}  // namespace
