#include "platform/win32/log_file.h"

#include "platform/win32/system_error_text.h"

namespace platform::win32 {

namespace {

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
  return wide;
}

}  // namespace

TUniqueHandle CreateLogFile(const std::string& fileName, std::string& error) {
  const std::wstring name = WideFromAnsi(fileName);
  // A name with a zero in it would name another file than the one reported.
  if (name.empty() || name.find(L'\0') != std::wstring::npos) {
    error = "Cannot create file \"" + fileName + "\". " + SystemErrorText(ERROR_INVALID_NAME);
    return {};
  }
  TUniqueHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = "Cannot create file \"" + fileName + "\". " + SystemErrorText(GetLastError());
  }
  return file;
}

bool WriteAllBytes(HANDLE file, const void* bytes, std::size_t count) noexcept {
  const auto* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const DWORD piece = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(file, next, piece, &written, nullptr) || written == 0) return false;
    next += written;
    count -= written;
  }
  return true;
}

}  // namespace platform::win32
