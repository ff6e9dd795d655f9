#pragma once
// Text conversions the client needs to show wire data to a person and to build requests the
// way a browser does (raw UTF-8, only the characters JSON demands escaped). UTF-8 itself is
// text/utf8_codec.h: its replacing mode never hides that bytes were broken.
#include <string>
#include <string_view>

namespace ferolant::client {

// For showing text: a lone surrogate cannot be UTF-8, so it is shown as its \uXXXX escape.
// Control characters other than line feed and tab are shown as escapes too.
std::string Utf16ToDisplay(std::u16string_view text);

// A JSON string literal (with quotes) as a browser writes it: UTF-8 passed through, the quote,
// the backslash and control characters escaped.
std::string JsonQuote(std::string_view utf8);

}  // namespace ferolant::client
