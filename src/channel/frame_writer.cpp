#include "channel/frame_writer.h"

#include <limits>
#include <stdexcept>

void WriteBuffer(IByteStream& stream, const void* data, std::int32_t count) {
  if (count > 0 && stream.Write(data, count) != count) {
    throw std::runtime_error("Stream write error");
  }
}

void WriteFrame(IByteStream* output, std::string_view body) {
  if (!output) return;
  // A body the length field cannot describe must not go out with a wrong length.
  if (body.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::runtime_error("Stream write error");
  }
  const auto length = static_cast<std::uint32_t>(body.size());
  const unsigned char header[4] = {
      static_cast<unsigned char>(length & 0xFF),
      static_cast<unsigned char>((length >> 8) & 0xFF),
      static_cast<unsigned char>((length >> 16) & 0xFF),
      static_cast<unsigned char>(length >> 24),
  };
  const auto count = static_cast<std::int32_t>(length);
  if (output->WriteWithHeader(header, 4, body.data(), count) != count) {
    throw std::runtime_error("Stream write error");
  }
}
