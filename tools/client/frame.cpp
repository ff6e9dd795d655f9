#include "tools/client/frame.h"

namespace ferolant::client {

std::string EncodeFrameHeader(std::size_t bodyLength) {
  const auto n = static_cast<std::uint32_t>(bodyLength);
  return {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
          static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
}

std::uint32_t DecodeFrameHeader(const char header[4]) noexcept {
  const auto b = [&](int k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(header[k]));
  };
  return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

}  // namespace ferolant::client
