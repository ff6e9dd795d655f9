// Character classes of the reader; every test is on one UTF-16 code unit.
#pragma once

#include <cstdint>
#include <string_view>

// Internal to the reader.
namespace json::internal::chars {

// Backspace counts as white space.
constexpr bool IsSpace(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\b';
}

// What may follow a keyword for it to go on as a bare word instead; digits
// are not among them, so "null1" is null followed by 1.
constexpr bool IsWordContinuing(char16_t c) noexcept {
  return c == u'.' || c == u'_' || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c >= 0x100;
}

constexpr bool IsNumberChar(char16_t c) noexcept {
  return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'E' || c == u'e';
}

constexpr bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// The value of a hex digit, or -1.
constexpr std::int32_t HexValue(char16_t c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if ((c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')) return (c & 7) + 9;
  return -1;
}

// The keyword that starts with first ("null", "true" or "false"; lower case
// only), or an empty view.
constexpr std::u16string_view KeywordStartingWith(char16_t first) noexcept {
  return first == u'n' ? u"null" : first == u't' ? u"true" : first == u'f' ? u"false" : u"";
}

// Whether the whole keyword, and the unit behind it that decides that it is
// one rather than the start of a bare word, lie in text[0, available).
constexpr bool KeywordAt(const char16_t* text, std::int32_t available,
                         std::u16string_view keyword) noexcept {
  const auto length = static_cast<std::int32_t>(keyword.size());
  return length != 0 && available > length &&
         std::u16string_view(text, keyword.size()) == keyword && !IsWordContinuing(text[length]);
}

// Characters that end a step of a path.
constexpr bool IsPathStop(char16_t c) noexcept {
  switch (c) {
    case 0:
    case u'\b':
    case u'\t':
    case u'\n':
    case u'\f':
    case u'\r':
    case u' ':
    case u'"':
    case u'(':
    case u')':
    case u',':
    case u'.':
    case u':':
    case u'[':
    case u']':
    case u'{':
    case u'}':
      return true;
    default:
      return false;
  }
}

}  // namespace json::internal::chars
