// A kernel handle closed with its owner.
#pragma once

#include <windows.h>

namespace platform::win32 {

class TUniqueHandle {
 public:
  TUniqueHandle() noexcept = default;
  // Takes INVALID_HANDLE_VALUE and null alike as "no handle".
  explicit TUniqueHandle(HANDLE handle) noexcept
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
  }
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  ~TUniqueHandle() { Reset(); }

  HANDLE Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  // Closes now and tells whether the system closed it cleanly.
  bool Reset() noexcept {
    const bool closed = handle_ == nullptr || CloseHandle(handle_);
    handle_ = nullptr;
    return closed;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace platform::win32
