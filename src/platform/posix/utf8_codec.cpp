#include "platform/posix/utf8_codec.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kHighBits8 = 0x8080808080808080ull;

bool IsContinuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

// Length of the well-formed sequence at bytes[i], or 0 when the byte there
// does not start one (overlong forms, encoded surrogates, values above
// U+10FFFF and cut sequences are all ill-formed).
std::size_t SequenceLength(std::string_view bytes, std::size_t i, char32_t& codePoint) noexcept {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
  const std::size_t left = bytes.size() - i;
  const unsigned char b0 = at(0);
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (left < 2 || !IsContinuation(at(1))) return 0;
    codePoint = (char32_t{b0} & 0x1F) << 6 | (at(1) & 0x3F);
    return 2;
  }
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

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes, TUtf8Mode mode) {
  std::u16string out;
  out.resize(bytes.size());  // never more units than bytes
  char16_t* dst = out.data();
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    // Requests are mostly ASCII: widen eight bytes at a time while none has
    // its high bit set.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if (word & kHighBits8) break;
      for (int k = 0; k < 8; ++k) *dst++ = static_cast<unsigned char>(bytes[i + k]);
      i += 8;
    }
    if (i >= n) break;
    const unsigned char b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      *dst++ = b0;
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t length = SequenceLength(bytes, i, c);
    if (length == 0) {
      *dst++ = mode == TUtf8Mode::umEscapeBytes ? static_cast<char16_t>(0xDC00 + b0) : u'\uFFFD';
      ++i;
    } else if (c >= 0x10000) {
      c -= 0x10000;
      *dst++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *dst++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
      i += length;
    } else {
      *dst++ = static_cast<char16_t>(c);
      i += length;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

std::string EncodeUtf8(std::u16string_view text, TUtf8Mode mode) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t runStart = i;
    while (i < n && text[i] < 0x80) ++i;
    if (i > runStart) {
      const std::size_t old = out.size();
      out.resize(old + (i - runStart));
      for (std::size_t k = runStart; k < i; ++k)
        out[old + k - runStart] = static_cast<char>(text[k]);
      if (i >= n) break;
    }
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      i += 2;
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      if (mode == TUtf8Mode::umEscapeBytes && unit >= 0xDC80 && unit <= 0xDCFF) {
        out += static_cast<char>(unit - 0xDC00);
      } else {
        out += "\xEF\xBF\xBD";
      }
    } else {
      AppendUtf8(out, unit);
    }
    ++i;
  }
  return out;
}
