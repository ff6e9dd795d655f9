#pragma once
// The native messaging frame: a 4-byte little-endian length, then the body.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferolant::client {

// Chromium and Firefox refuse a message from the host whose body is larger than this.
inline constexpr std::size_t kBrowserReplyLimit = 1024 * 1024;

std::string EncodeFrameHeader(std::size_t bodyLength);
std::uint32_t DecodeFrameHeader(const char header[4]) noexcept;

}  // namespace ferolant::client
