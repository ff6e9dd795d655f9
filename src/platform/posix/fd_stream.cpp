#include "platform/posix/fd_stream.h"

#include <unistd.h>

#include <cerrno>

std::int32_t TFdStream::Read(void* buffer, std::int32_t count) noexcept {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(FFd, buffer, static_cast<size_t>(count));
    if (n >= 0) return static_cast<std::int32_t>(n);
    if (errno != EINTR) return 0;
  }
}

std::int32_t TFdStream::Write(const void* buffer, std::int32_t count) noexcept {
  const char* bytes = static_cast<const char*>(buffer);
  std::int32_t written = 0;
  while (written < count) {
    const ssize_t n = ::write(FFd, bytes + written, static_cast<size_t>(count - written));
    if (n > 0) {
      written += static_cast<std::int32_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return written;
}

std::int64_t TFdStream::Seek(std::int64_t offset, TSeekOrigin origin) noexcept {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  const off_t position = ::lseek(FFd, static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<std::int64_t>(position);
}
