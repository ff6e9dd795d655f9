#include "json/writer/json_writer_sock.h"

#include "json/writer/json_writer_stream.h"

std::int32_t TJsonWriterSock::SendAll(const unsigned char* bytes, std::int32_t count) {
  // A stream socket may take less than asked; the rest is sent again so the
  // text reaches the peer whole.
  std::int32_t done = 0;
  while (done < count) {
    const std::int32_t sent = SendSocketBytes(FSocket, bytes + done, count - done);
    if (sent <= 0) {
      FFailed = true;
      return -1;
    }
    done += sent;
    FSentBytes += sent;
  }
  return done;
}

std::int32_t TJsonWriterSock::AppendChars(const char16_t* chars, std::int32_t count) {
  if (FFailed) return -1;
  if (count <= 0) return 0;
  return EmitNarrowUnits(chars, count, [this](const unsigned char* bytes, std::int32_t n) {
    return SendAll(bytes, n);
  });
}

std::int32_t TJsonWriterSock::AppendText(const char16_t* text) {
  return AppendChars(text, ZeroTerminatedLength(text));
}

void TJsonWriterSock::ResetOutput() noexcept {
  FSentBytes = 0;
  FFailed = false;
}
