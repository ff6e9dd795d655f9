#include "platform/posix/fd_stream.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>

namespace platform {

std::int32_t TFdStream::Read(void* buffer, std::int32_t count) noexcept {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(FFd, buffer, static_cast<size_t>(count));
    if (n >= 0) return static_cast<std::int32_t>(n);
    if (errno != EINTR) return 0;
  }
}

namespace {

constexpr std::int64_t kUsualPipeCapacity = 64 * 1024;
constexpr int kWidePipeCapacity = 1 << 20;

}  // namespace

void TFdStream::WidenPipeBefore(std::int64_t count) noexcept {
  if (!FWidenPipe || count <= kUsualPipeCapacity) return;
  FWidenPipe = false;
#if defined(F_SETPIPE_SZ)
  ::fcntl(FFd, F_SETPIPE_SZ, kWidePipeCapacity);
#endif
}

std::int32_t TFdStream::Write(const void* buffer, std::int32_t count) noexcept {
  WidenPipeBefore(count);
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

std::int32_t TFdStream::WriteWithHeader(const void* header, std::int32_t headerCount,
                                        const void* body, std::int32_t count) noexcept {
  headerCount = std::max(headerCount, 0);
  count = std::max(count, 0);
  iovec parts[2] = {{const_cast<void*>(header), static_cast<size_t>(headerCount)},
                    {const_cast<void*>(body), static_cast<size_t>(count)}};
  iovec* next = parts;
  int left = 2;
  std::int64_t written = 0;
  const std::int64_t total = std::int64_t{headerCount} + count;
  WidenPipeBefore(total);
  while (written < total) {
    const ssize_t n = ::writev(FFd, next, left);
    if (n > 0) {
      written += n;
      // Moves past what went out: whole parts, then into the part cut short.
      auto rest = static_cast<size_t>(n);
      while (rest > 0 && rest >= next->iov_len) {
        rest -= next->iov_len;
        ++next;
        --left;
      }
      if (rest > 0) {
        next->iov_base = static_cast<char*>(next->iov_base) + rest;
        next->iov_len -= rest;
      }
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return static_cast<std::int32_t>(std::max<std::int64_t>(written - headerCount, 0));
}

std::int64_t TFdStream::Seek(std::int64_t offset, TSeekOrigin origin) noexcept {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  const off_t position = ::lseek(FFd, static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

}  // namespace platform
