#include "platform/socket_send.h"

#include <sys/socket.h>

#include <cerrno>

std::int32_t SendSocketBytes(TSocketHandle socket, const void* data, std::int32_t count) noexcept {
  const int fd = static_cast<int>(socket);
  // MSG_NOSIGNAL: a closed peer must not raise SIGPIPE and kill the host.
  for (;;) {
    const ssize_t sent = ::send(fd, data, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<std::int32_t>(sent);
    if (errno != EINTR) return -1;
  }
}
