#include "channel/frame_reader.h"

#include "channel/frame_header.h"

#include <algorithm>
#include <cstdint>

namespace {

// The body is read in pieces of at most this many bytes.
constexpr std::int32_t kReadPiece = 1024;
// Memory reserved up front for a body; the length field is not trusted with
// more, so a header that announces 2 GiB followed by little data costs little.
constexpr std::int32_t kReserveLimit = 4 * 1024 * 1024;

// True when the whole body arrived.
bool ReadBody(IByteStream& input, std::int32_t length, std::string& body) {
  body.reserve(static_cast<std::size_t>(std::min(length, kReserveLimit)));
  char buffer[kReadPiece];
  while (length > 0) {
    const std::int32_t n = input.Read(buffer, std::min(length, kReadPiece));
    if (n <= 0) return false;
    length -= n;
    body.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

TFrameRead ReadFrame(IByteStream* input, std::string& body) {
  unsigned char header[kFrameHeaderSize];
  constexpr auto kWhole = static_cast<std::int32_t>(kFrameHeaderSize);
  std::int32_t have = 0;
  while (input && have < kWhole) {
    const std::int32_t n = input->Read(header + have, kWhole - have);
    if (n <= 0) break;
    have += n;
  }
  if (have == 0) return TFrameRead::EndOfInput;
  if (have < kWhole) return TFrameRead::ShortHeader;
  const auto length = static_cast<std::int32_t>(FrameLength(header));
  body.clear();
  if (length > 0 && !ReadBody(*input, length, body)) return TFrameRead::FrameCut;
  return TFrameRead::Frame;
}
