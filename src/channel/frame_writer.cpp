#include "channel/frame_writer.h"

#include "channel/frame_header.h"

#include <limits>
#include <stdexcept>

void WriteFrame(platform::IByteStream* output, std::string_view body) {
  if (!output) return;
  // A body the length field cannot describe must not go out with a wrong length.
  if (body.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::runtime_error("Stream write error");
  }
  const auto length = static_cast<std::uint32_t>(body.size());
  const std::string header = FrameHeader(length);
  const auto count = static_cast<std::int32_t>(length);
  if (output->WriteWithHeader(header.data(), kFrameHeaderSize, body.data(), count) != count) {
    throw std::runtime_error("Stream write error");
  }
}
