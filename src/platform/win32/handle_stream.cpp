#include "platform/win32/handle_stream.h"

namespace platform {

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) noexcept {
  // An absent or invalid handle fails the read like the end of input does; so does a pipe
  // whose writer has closed it (ERROR_BROKEN_PIPE).
  if (count <= 0 || FHandle == nullptr || FHandle == INVALID_HANDLE_VALUE) return 0;
  DWORD got = 0;
  if (!ReadFile(FHandle, buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<std::int32_t>(got);
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) noexcept {
  if (count <= 0 || FHandle == nullptr || FHandle == INVALID_HANDLE_VALUE) return 0;
  const auto* next = static_cast<const char*>(buffer);
  std::int32_t total = 0;
  while (total < count) {
    DWORD written = 0;
    if (!WriteFile(FHandle, next + total, static_cast<DWORD>(count - total), &written, nullptr) ||
        written == 0) {
      break;
    }
    total += static_cast<std::int32_t>(written);
  }
  return total;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) noexcept {
  if (FHandle == nullptr || FHandle == INVALID_HANDLE_VALUE) return -1;
  // A pipe or a console cannot seek; SetFilePointerEx would "succeed" on some of them.
  if (GetFileType(FHandle) != FILE_TYPE_DISK) return -1;
  const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(FHandle, distance, &position, method)) return -1;
  return position.QuadPart;
}

}  // namespace platform
