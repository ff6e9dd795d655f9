#include "channel/decode_param.h"

#include <cstdint>

#include "json/json_unit_scan.h"
#include "platform/code_page.h"
#include "text/unicode.h"

std::u16string DecodeUtf8Param(std::string_view bytes) {
  // Never more units than bytes: the output is sized once and cut at the end.
  std::u16string out(bytes.size(), u'\0');
  char16_t* dst = out.data();
  const auto put = [&dst](std::uint32_t unit) { *dst++ = static_cast<char16_t>(unit); };
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      // A run of ASCII in one plain loop.
      std::size_t end = i + 1;
      while (end < n && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
      for (; i < end; ++i) put(static_cast<unsigned char>(bytes[i]));
    } else if (char32_t c = 0; unicode::Utf8SequenceAt(bytes, i, c) == 4) {
      // Only a well-formed four-byte sequence is read as UTF-8 reads it.
      unicode::PutPair(c, dst);
      dst += 2;
      i += 4;
    } else if ((b0 & 0x20) == 0) {
      // 0x80-0xDF: two bytes, a stray continuation byte as lead included.
      if (n - i < 2) return {};
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      if (!unicode::IsContinuation(b1)) return {};
      put((b0 & 0x1Fu) << 6 | (b1 & 0x3Fu));
      i += 2;
    } else {
      if (n - i < 3) return {};
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
      if (!unicode::IsContinuation(b1) || !unicode::IsContinuation(b2)) return {};
      put((b0 & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu));
      i += 3;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

namespace {

// Whether the round through the thread's code page and back through UTF-8
// gives every well-formed UTF-16 text back unchanged: true when the thread
// ANSI code page is UTF-8 (always on POSIX, on Windows when the system is set
// so). Asked of the code page itself, with the forms that matter: a two-,
// three- and four-byte sequence and U+0000.
bool ThreadAnsiIsUtf8() {
  return platform::WideToThreadAnsi(u"\u010d\u20ac\xD83D\xDE00" + std::u16string(1, u'\0') +
                                    u"a") ==
         std::string_view("\xC4\x8D\xE2\x82\xAC\xF0\x9F\x98\x80\0a", 11);
}

// Whether text holds a surrogate unit outside a well-formed pair: the one
// thing the UTF-8 round changes (the code page writes a replacement or a lone
// byte for it). Plain units are passed over eight at a time.
bool HasLoneSurrogate(std::u16string_view text) noexcept {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    // Every surrogate is at or above U+8000; so are some other units, which
    // the unit-wise test below lets pass.
    i += json_scan::FindUnitAtLeast(text.data() + i, n - i, 0x8000);
    if (i >= n) return false;
    if (unicode::IsPairAt(text, i)) {
      i += 2;
    } else if (unicode::IsSurrogate(text[i])) {
      return true;
    } else {
      ++i;
    }
  }
  return false;
}

}  // namespace

std::u16string DecodeParam(std::u16string_view text) {
  // ASCII comes back as itself through any ANSI code page and UTF-8, so the
  // leading ASCII of a parameter (all of it, mostly) is taken as it is and
  // only the rest makes the round through the code page.
  const std::size_t ascii = json_scan::FindUnitAtLeast(text.data(), text.size(), 0x80);
  if (ascii == text.size()) return std::u16string(text);
  const std::u16string_view tail = text.substr(ascii);
  // With a UTF-8 thread code page the round is the identity for all but lone
  // surrogates: a text without them is its own result.
  if (!HasLoneSurrogate(tail) && ThreadAnsiIsUtf8()) return std::u16string(text);
  std::u16string rest = DecodeUtf8Param(platform::WideToThreadAnsi(tail));
  // A broken sequence anywhere empties the whole parameter.
  if (rest.empty()) return {};
  std::u16string out;
  out.reserve(ascii + rest.size());
  out.append(text.substr(0, ascii));
  out.append(rest);
  return out;
}
