#include "text.h"

#include <cstdint>
#include <cstdio>

namespace ferolant::client {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Length of the well-formed sequence starting at s[i] and its code point, or 0 when the bytes
// there are not one.
std::size_t DecodeOne(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b = [&](std::size_t k) { return static_cast<std::uint8_t>(s[i + k]); };
  const std::uint8_t b0 = b(0);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t n = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendEscape(std::string& out, unsigned unit) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", unit);
  out += buf;
}

// Walks UTF-16, calling pair(cp) for every scalar value and lone(unit) for a lone surrogate.
template <class Scalar, class Lone>
void WalkUtf16(std::u16string_view t, Scalar scalar, Lone lone) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char16_t u = t[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 &&
        t[i + 1] <= 0xDFFF) {
      scalar(0x10000 + ((char32_t(u) - 0xD800) << 10) + (t[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      lone(u);
    } else {
      scalar(u);
    }
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodeOne(utf8, i, cp);
    if (n == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

std::string Utf16ToDisplay(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  WalkUtf16(
      text,
      [&](char32_t cp) {
        if ((cp < 0x20 && cp != '\n' && cp != '\t') || cp == 0x7F) {
          AppendEscape(out, cp);
        } else {
          AppendUtf8(out, cp);
        }
      },
      [&](char16_t unit) { AppendEscape(out, unit); });
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  WalkUtf16(
      text, [&](char32_t cp) { AppendUtf8(out, cp); },
      [&](char16_t) { AppendUtf8(out, kReplacement); });
  return out;
}

std::string JsonQuote(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          AppendEscape(out, static_cast<unsigned char>(c));
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace ferolant::client
