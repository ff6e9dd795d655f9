// A sink that sends the low byte of each unit on a socket (escaped, pure
// ASCII text). Nothing in the host writes JSON to a socket; the sink serves
// tools and tests.
#pragma once

#include <cstdint>

#include "json/writer/json_writer.h"
#include "platform/socket_send.h"

class TJsonWriterSock final : public TJsonWriter {
 public:
  // The socket stays the caller's.
  explicit TJsonWriterSock(TSocketHandle socket) noexcept : FSocket(socket) {}

  // Yields the bytes sent, or -1 now and after any failed send.
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) override;
  std::int32_t AppendText(const char16_t* text) override;
  // Restarts the count of sent bytes and forgets an earlier failure.
  void ResetOutput() noexcept override;

  std::int32_t SentBytes() const noexcept { return FSentBytes; }

 private:
  std::int32_t SendAll(const unsigned char* bytes, std::int32_t count);

  TSocketHandle FSocket;
  std::int32_t FSentBytes = 0;
  bool FFailed = false;
};
