#include "platform/socket_send.h"

#include <winsock2.h>

std::int32_t SendSocketBytes(TSocketHandle socket, const void* data, std::int32_t count) noexcept {
  const int sent = ::send(static_cast<SOCKET>(socket), static_cast<const char*>(data), count, 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}
