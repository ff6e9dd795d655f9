// The rules every text conversion of the tree follows: which UTF-16 units make one
// character, what a pair stands for, and which UTF-8 bytes are a well-formed sequence.
// What becomes of a unit or a byte outside these rules is each caller's choice (a
// replacement, an escape, a marker, a refusal); the rules themselves are only here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace unicode {

inline constexpr char16_t kReplacement = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDFFF; }

// Whether text[i] and text[i + 1] are a high and a low surrogate, which together are one
// character. Any other surrogate is lone: it stands for no character at all.
constexpr bool IsPairAt(std::u16string_view text, std::size_t i) noexcept {
  return IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
}

constexpr char32_t PairValue(char16_t high, char16_t low) noexcept {
  return 0x10000 + ((char32_t{high} - 0xD800) << 10) + (char32_t{low} - 0xDC00);
}

// The character that starts at text[i] and the units it takes: a pair's code point and 2, or
// the unit itself (a lone surrogate too) and 1.
constexpr char32_t CharacterAt(std::u16string_view text, std::size_t i,
                               std::size_t& units) noexcept {
  units = IsPairAt(text, i) ? 2 : 1;
  return units == 2 ? PairValue(text[i], text[i + 1]) : char32_t{text[i]};
}

// Writes the pair of c (U+10000 to U+10FFFF) at out.
constexpr void PutPair(char32_t c, char16_t* out) noexcept {
  out[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// Index of the first lone surrogate, or npos: the one thing no UTF-8 and no code page holds.
constexpr std::size_t FirstLoneSurrogate(std::u16string_view text) noexcept {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsPairAt(text, i)) {
      ++i;
    } else if (IsSurrogate(text[i])) {
      return i;
    }
  }
  return std::u16string_view::npos;
}

constexpr bool IsContinuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at bytes[i] (1 to 4) and its code point, or 0 when
// the byte there starts none: overlong forms, encoded surrogates, values above U+10FFFF,
// stray continuation bytes and sequences cut by the end are all ill-formed.
constexpr std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i,
                                     char32_t& codePoint) noexcept {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
  const std::size_t left = bytes.size() - i;
  const unsigned char b0 = at(0);
  if (b0 < 0x80) {
    codePoint = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (left < 2 || !IsContinuation(at(1))) return 0;
    codePoint = (char32_t{b0} & 0x1F) << 6 | (at(1) & 0x3F);
    return 2;
  }
  // The second byte's range is what rules out overlong forms, surrogates and values above
  // U+10FFFF.
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (left < 3) return 0;
    const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
    if (at(1) < low || at(1) > high || !IsContinuation(at(2))) return 0;
    codePoint = (char32_t{b0} & 0x0F) << 12 | (char32_t{at(1)} & 0x3F) << 6 | (at(2) & 0x3F);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (left < 4) return 0;
    const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
    if (at(1) < low || at(1) > high || !IsContinuation(at(2)) || !IsContinuation(at(3))) return 0;
    codePoint = (char32_t{b0} & 0x07) << 18 | (char32_t{at(1)} & 0x3F) << 12 |
                (char32_t{at(2)} & 0x3F) << 6 | (at(3) & 0x3F);
    return 4;
  }
  return 0;
}

// Writes the UTF-8 form of c at out (room for four bytes); yields its length.
constexpr std::size_t PutUtf8(char32_t c, char* out) noexcept {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

inline void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, PutUtf8(c, bytes));
}

}  // namespace unicode
