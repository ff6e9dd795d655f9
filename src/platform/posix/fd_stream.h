// A byte stream over a POSIX file descriptor that it does not own.
#pragma once

#include "platform/byte_stream.h"

namespace platform {

class TFdStream final : public IByteStream {
 public:
  // With widenPipe set, a pipe behind fd is asked to hold a megabyte before
  // the first write that the system's usual 64 KiB would cut into turns of
  // writer and reader. Only advice: where fd is not a pipe, or the system
  // allows less, it stays as it was. Asked no earlier, because the request
  // costs a start that never writes that much.
  explicit TFdStream(int fd, bool widenPipe = false) noexcept : FFd(fd), FWidenPipe(widenPipe) {}

  // One read, repeated only when a signal interrupted it.
  std::int32_t Read(void* buffer, std::int32_t count) noexcept override;
  // Goes on until everything is written, as a blocking write of a pipe does;
  // the count written before a failure otherwise.
  std::int32_t Write(const void* buffer, std::int32_t count) noexcept override;
  // One writev for both, continued like Write when it was cut short.
  std::int32_t WriteWithHeader(const void* header, std::int32_t headerCount, const void* body,
                               std::int32_t count) noexcept override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) noexcept override;

 private:
  void WidenPipeBefore(std::int64_t count) noexcept;

  int FFd;
  bool FWidenPipe;
};

}  // namespace platform
