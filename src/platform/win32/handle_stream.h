// A byte stream over a Win32 file or pipe handle, which it does not own.
#pragma once

#include <windows.h>

#include "platform/byte_stream.h"

namespace platform {

class THandleStream final : public IByteStream {
 public:
  explicit THandleStream(HANDLE handle) noexcept : FHandle(handle) {}

  std::int32_t Read(void* buffer, std::int32_t count) noexcept override;
  std::int32_t Write(const void* buffer, std::int32_t count) noexcept override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) noexcept override;

 private:
  HANDLE FHandle;
};

}  // namespace platform
