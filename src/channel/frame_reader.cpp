#include "channel/frame_reader.h"

#include "channel/frame_header.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Memory reserved up front for a body.
constexpr std::size_t kReserveLimit = 4 * 1024 * 1024;

}  // namespace

bool TFrameReader::Fill() noexcept {
  if (!FInput) return false;
  if (!FBuffer) FBuffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
  // What is left (at most a part of a header) moves to the front.
  const std::size_t kept = Buffered();
  if (kept > 0 && FBegin > 0) std::memmove(FBuffer.get(), FBuffer.get() + FBegin, kept);
  FBegin = 0;
  FEnd = kept;
  const std::int32_t n =
      FInput->Read(FBuffer.get() + FEnd, static_cast<std::int32_t>(kBufferSize - FEnd));
  if (n <= 0) return false;
  FEnd += static_cast<std::size_t>(n);
  return true;
}

TFrameRead TFrameReader::Next(std::string& body) {
  while (Buffered() < kFrameHeaderSize) {
    if (!Fill()) {
      if (Buffered() == 0) return TFrameRead::EndOfInput;
      FBegin = FEnd = 0;
      return TFrameRead::ShortHeader;
    }
  }
  const auto length = static_cast<std::int32_t>(FrameLength(FBuffer.get() + FBegin));
  FBegin += kFrameHeaderSize;
  body.clear();
  if (length <= 0) return TFrameRead::Frame;

  auto left = static_cast<std::size_t>(length);
  body.reserve(std::min(left, kReserveLimit));
  for (;;) {
    const std::size_t take = std::min(left, Buffered());
    body.append(FBuffer.get() + FBegin, take);
    FBegin += take;
    left -= take;
    if (left == 0) return TFrameRead::Frame;
    if (!Fill()) return TFrameRead::FrameCut;
  }
}
