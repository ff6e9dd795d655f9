// Character classes of the reader; every test is on one UTF-16 code unit.
#pragma once

#include <cstdint>

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
