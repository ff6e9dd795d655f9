#pragma once
// Text conversions the client needs to show wire data to a person and to build requests the
// way a browser does (raw UTF-8, only the characters JSON demands escaped).
#include <string>
#include <string_view>

namespace ferolant::client {

// Well-formed UTF-8 becomes UTF-16; every byte that cannot start or continue a valid sequence
// becomes U+FFFD, so the result never hides that the input was broken.
std::u16string Utf8ToUtf16(std::string_view utf8);

// For showing text: a lone surrogate cannot be UTF-8, so it is shown as its \uXXXX escape.
// Control characters other than line feed and tab are shown as escapes too.
std::string Utf16ToDisplay(std::u16string_view text);

// Exact UTF-8 of well-formed UTF-16; lone surrogates are written as U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// A JSON string literal (with quotes) as a browser writes it: UTF-8 passed through, the quote,
// the backslash and control characters escaped.
std::string JsonQuote(std::string_view utf8);

}  // namespace ferolant::client
