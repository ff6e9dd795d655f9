// The Windows single-byte code pages that the POSIX build carries itself.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace platform {

// The UTF-16 units of bytes 0x80 to 0xFF; bytes below 0x80 are ASCII. Bytes
// that Windows leaves undefined map to the C1 control of the same value, as
// Windows converts them, so every byte survives a round trip.
using THighHalf = std::array<char16_t, 128>;

// UTF-16 unit -> byte; 0 marks a unit the code page cannot show (U+0000 is
// handled before the lookup).
using TReverseTable = std::array<unsigned char, 0x10000>;

// A code page is its high half: the way back is made from it, so a page added
// to the list needs nothing else.
class TSingleByteCodePage {
 public:
  constexpr TSingleByteCodePage(std::uint32_t number, const THighHalf& highHalf,
                                char defaultChar) noexcept
      : Number(number), HighHalf(highHalf), DefaultChar(defaultChar) {}

  // Made on first use (64 KiB), once, from any thread.
  const TReverseTable& Reverse() const;

  const std::uint32_t Number;
  const THighHalf& HighHalf;
  const char DefaultChar;

 private:
  mutable std::once_flag FReverseMade;
  mutable std::unique_ptr<TReverseTable> FReverse;
};

// nullptr for a code page that is not single-byte or not carried here.
const TSingleByteCodePage* FindSingleByteCodePage(std::uint32_t codePage) noexcept;

// Each unit the page lacks becomes its default character, a surrogate pair one of them.
std::string EncodeSingleByte(std::u16string_view text, const TSingleByteCodePage& page);
std::u16string DecodeSingleByte(std::string_view bytes, const TSingleByteCodePage& page);

}  // namespace platform
