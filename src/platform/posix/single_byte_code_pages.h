// The Windows single-byte code pages that the POSIX build carries itself.
#pragma once

#include <array>
#include <cstdint>

// The UTF-16 units of bytes 0x80 to 0xFF; bytes below 0x80 are ASCII. Bytes
// that Windows leaves undefined map to the C1 control of the same value, as
// Windows converts them, so every byte survives a round trip.
using THighHalf = std::array<char16_t, 128>;

struct TSingleByteCodePage {
  std::uint32_t Number;
  const THighHalf& HighHalf;
  char DefaultChar;
};

// nullptr for a code page that is not single-byte or not carried here.
const TSingleByteCodePage* FindSingleByteCodePage(std::uint32_t codePage) noexcept;
