// The 4 bytes in front of every Native Messaging frame: the body's length, little-endian. The
// one spelling of them for the channel, its tests and its fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr std::size_t kFrameHeaderSize = 4;

// The header in front of a body of length bytes.
inline std::string FrameHeader(std::uint32_t length) {
  return {static_cast<char>(length & 0xFF), static_cast<char>((length >> 8) & 0xFF),
          static_cast<char>((length >> 16) & 0xFF), static_cast<char>(length >> 24)};
}

// The length a header announces, read from the first kFrameHeaderSize bytes at header.
inline std::uint32_t FrameLength(const void* header) noexcept {
  const auto* b = static_cast<const unsigned char*>(header);
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
         std::uint32_t{b[3]} << 24;
}
