// How much of a long data text one reply carries.
//
// Browsers refuse a host message larger than kMaxReplyBytes and close the
// port, so a block is cut not only at the block length but also where the
// escaped data would push the reply body over that size.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kMaxReplyBytes = 1048576;

// The bytes one UTF-16 unit takes in a fully escaped reply body: printable
// ASCII as itself, the quote, backslash, solidus and the five short control
// escapes as two, every other unit as a six-byte \u escape.
constexpr std::size_t EscapedSize(char16_t unit) noexcept {
  switch (unit) {
    case u'"':
    case u'\\':
    case u'/':
    case u'\b':
    case u'\t':
    case u'\n':
    case u'\f':
    case u'\r':
      return 2;
    default:
      return unit >= 0x20 && unit <= 0x7F ? 1 : 6;
  }
}

// The number of units from the front of data that one reply carries: at most
// maxUnits, and no more than escape into budget bytes.
std::size_t BlockUnits(std::u16string_view data, std::size_t maxUnits, std::size_t budget) noexcept;
