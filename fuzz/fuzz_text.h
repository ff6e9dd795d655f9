// Turns fuzzer bytes into UTF-16 text. Well-formed UTF-8 (and its lax
// relatives: encoded surrogates, overlong forms) decodes to the code units it
// spells, so seed files stay readable and every code unit is reachable; any
// other byte stands for the code unit of the same number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline std::u16string FuzzText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size);
  const auto continuation = [&](std::size_t i) { return i < size && (data[i] & 0xC0) == 0x80; };
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t b = data[i];
    if (b >= 0xC0 && b < 0xE0 && continuation(i + 1)) {
      text.push_back(static_cast<char16_t>((b & 0x1F) << 6 | (data[i + 1] & 0x3F)));
      i += 2;
    } else if (b >= 0xE0 && b < 0xF0 && continuation(i + 1) && continuation(i + 2)) {
      text.push_back(static_cast<char16_t>((b & 0x0F) << 12 | (data[i + 1] & 0x3F) << 6 |
                                           (data[i + 2] & 0x3F)));
      i += 3;
    } else if (b >= 0xF0 && b < 0xF5 && continuation(i + 1) && continuation(i + 2) &&
               continuation(i + 3)) {
      const std::uint32_t point = static_cast<std::uint32_t>(b & 0x07) << 18 |
                                  static_cast<std::uint32_t>(data[i + 1] & 0x3F) << 12 |
                                  static_cast<std::uint32_t>(data[i + 2] & 0x3F) << 6 |
                                  (data[i + 3] & 0x3F);
      if (point >= 0x10000 && point <= 0x10FFFF) {
        text.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
      } else {
        text.push_back(static_cast<char16_t>(point & 0xFFFF));
      }
      i += 4;
    } else {
      text.push_back(b);
      ++i;
    }
  }
  return text;
}

// The text of a JSON writer run as bytes for a failure message (ASCII kept,
// other units as \u escapes), so a crash report shows what went wrong.
inline std::string Printable(const std::u16string& text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  for (const char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      out.push_back(static_cast<char>(unit));
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
    }
  }
  return out;
}
