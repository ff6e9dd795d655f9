// The stand-in library's file dialog on Windows: a real window of the calling thread, as the
// signing library's own dialog is, which the host's dialog watch can find and bring forward.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/dynamic_library.h"
#include "platform/executable_path.h"
#include "platform/ole_string.h"
#include "platform/window_system.h"

namespace {

using TGetFileNameDlgW = std::int32_t(FEROLANT_LIBCALL*)(const char16_t*, const char16_t*,
                                                         const char16_t*, const char16_t*,
                                                         std::int32_t, char16_t**);

TEST(StandInDialog, ShowsAVisibleWindowOnTheCallingThreadUntilItClosesItself) {
  const auto executable = platform::ExecutablePath();
  ASSERT_TRUE(executable.has_value());
  std::string error;
  auto library = platform::TDynamicLibrary::Open(
      executable->parent_path() / platform::LibraryFileName("Tavrin"), error);
  ASSERT_TRUE(library.has_value()) << error;
  const auto dialog = reinterpret_cast<TGetFileNameDlgW>(library->Find("GetFileNameDlgW"));
  ASSERT_NE(dialog, nullptr);

  std::atomic<DWORD> callerId{0};
  std::atomic<bool> returned{false};
  std::int32_t status = -1;
  char16_t* result = nullptr;
  std::thread caller([&] {
    callerId = GetCurrentThreadId();
    const char16_t* title = platform::SysAllocStringLen(u"Choose", 6);
    status = dialog(title, nullptr, nullptr, nullptr, 1, &result);
    platform::SysFreeString(const_cast<char16_t*>(title));
    returned = true;
  });

  // The watch's search, repeated until the window shows (generously, for a loaded machine).
  auto system = platform::CreateWindowSystem();
  platform::TWindowHandle found = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (found == 0 && !returned && std::chrono::steady_clock::now() < deadline) {
    if (callerId != 0) {
      system->EnumThreadWindows(callerId, [&](platform::TWindowHandle window) {
        if (!system->IsWindowVisible(window)) return true;
        found = window;
        return false;
      });
    }
    if (found == 0) Sleep(10);
  }
  caller.join();

  EXPECT_NE(found, 0u) << "no visible window of the calling thread was seen";
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(found))) << "the window outlived the call";
  EXPECT_EQ(status, 0);
  EXPECT_NE(result, nullptr);
  platform::SysFreeString(result);
}

}  // namespace
