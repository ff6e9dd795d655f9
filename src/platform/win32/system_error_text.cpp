#include "platform/win32/system_error_text.h"

#include <windows.h>

#include <memory>

namespace platform::win32 {

namespace {

struct TLocalFree {
  void operator()(wchar_t* text) const noexcept { LocalFree(text); }
};

}  // namespace

std::string Utf8FromWide(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  const int wideLength = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, wideLength, result.data(), size, nullptr, nullptr);
  return result;
}

std::string SystemErrorText(std::uint32_t errorCode) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, TLocalFree> owned(buffer);
  if (length == 0 || buffer == nullptr) return "System error " + std::to_string(errorCode);
  std::size_t end = length;
  while (end > 0 &&
         (buffer[end - 1] == L'\r' || buffer[end - 1] == L'\n' || buffer[end - 1] == L' ')) {
    --end;
  }
  return Utf8FromWide(buffer, end);
}

}  // namespace platform::win32
