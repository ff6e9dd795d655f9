// A kernel handle closed with its owner.
#pragma once

#include <windows.h>

namespace platform::win32 {

class TUniqueHandle {
 public:
  TUniqueHandle() noexcept = default;
  // Takes INVALID_HANDLE_VALUE and null alike as "no handle".
  explicit TUniqueHandle(HANDLE handle) noexcept
      : FHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.FHandle) {
    other.FHandle = nullptr;
  }
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = other.FHandle;
      other.FHandle = nullptr;
    }
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  ~TUniqueHandle() { Reset(); }

  HANDLE Get() const noexcept { return FHandle; }
  explicit operator bool() const noexcept { return FHandle != nullptr; }
  // Closes now and tells whether the system closed it cleanly.
  bool Reset() noexcept {
    const bool closed = FHandle == nullptr || CloseHandle(FHandle);
    FHandle = nullptr;
    return closed;
  }

 private:
  HANDLE FHandle = nullptr;
};

}  // namespace platform::win32
