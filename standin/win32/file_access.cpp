#include "standin/file_access.h"

#include <windows.h>

#include <string>

namespace standin {

std::optional<std::string> ReadWholeFile(std::u16string_view fileName) {
  // File names are wide text here, as the host hands them over.
  const std::wstring name(fileName.begin(), fileName.end());
  if (name.empty() || name.find(L'\0') != std::wstring::npos) return std::nullopt;
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> content;
  LARGE_INTEGER size{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) break;
      if (got == 0) {
        content = std::move(bytes);
        break;
      }
      bytes.append(buffer, got);
    }
  }
  CloseHandle(file);
  return content;
}

}  // namespace standin
