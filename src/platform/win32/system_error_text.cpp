#include "platform/win32/system_error_text.h"

#include <windows.h>

#include <memory>

namespace platform::win32 {

namespace {

struct TLocalFree {
  void operator()(char* text) const noexcept { LocalFree(text); }
};

}  // namespace

std::string SystemErrorText(std::uint32_t errorCode) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  const std::unique_ptr<char, TLocalFree> owned(buffer);
  if (length == 0 || buffer == nullptr) return "System error " + std::to_string(errorCode);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace platform::win32
