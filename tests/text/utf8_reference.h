// A plain decoder of UTF-8 to set the fast ones against.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8_codec.h"

// One sequence at a time by the table of well-formed UTF-8; a byte that
// starts none stands for itself as U+DC00 + byte.
inline std::u16string DecodeByTheTable(const std::string& bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto at = [&](std::size_t k) {
      return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0u;
    };
    const unsigned b0 = at(0);
    const auto in = [&](std::size_t k, unsigned low, unsigned high) {
      return at(k) >= low && at(k) <= high;
    };
    std::size_t length = 0;
    if (b0 < 0x80) {
      length = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF && in(1, 0x80, 0xBF)) {
      length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF &&
               in(1, b0 == 0xE0 ? 0xA0 : 0x80, b0 == 0xED ? 0x9F : 0xBF) && in(2, 0x80, 0xBF)) {
      length = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4 &&
               in(1, b0 == 0xF0 ? 0x90 : 0x80, b0 == 0xF4 ? 0x8F : 0xBF) && in(2, 0x80, 0xBF) &&
               in(3, 0x80, 0xBF)) {
      length = 4;
    }
    if (length == 0) {
      out += static_cast<char16_t>(0xDC00 + b0);
      ++i;
      continue;
    }
    char32_t c = length == 1 ? b0 : b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (at(k) & 0x3F);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

// The codec in the mode that keeps every byte: what the fast paths must agree with.
inline std::u16string DecodeEscaped(std::string_view bytes) {
  return DecodeUtf8(bytes, TUtf8Mode::umEscapeBytes);
}
inline std::string EncodeEscaped(std::u16string_view text) {
  return EncodeUtf8(text, TUtf8Mode::umEscapeBytes);
}
