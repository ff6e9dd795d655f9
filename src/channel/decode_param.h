// Turning a received parameter back into the text the browser sent.
#pragma once

#include <string>
#include <string_view>

// The bytes of an ANSI-read parameter decoded as UTF-8. Sequences of one,
// two or three bytes (overlong forms included) give one UTF-16 unit each; a
// well-formed four-byte sequence (lead F0-F4, three continuation bytes, a
// code point from U+10000 to U+10FFFF) gives its surrogate pair. Any other
// broken sequence makes the whole parameter empty.
std::u16string DecodeUtf8Param(std::string_view bytes);

// The parameter as received through the thread ANSI code page, decoded.
std::u16string DecodeParam(std::u16string_view text);
