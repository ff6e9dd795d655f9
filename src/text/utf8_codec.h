// UTF-8 <-> UTF-16 for the UTF-8 code page (65001), the client's texts and the stand-in's
// file names; the rules of both forms are in text/unicode.h.
#pragma once

#include <string>
#include <string_view>

// What becomes of bytes that are not well-formed UTF-8 and of UTF-16 units
// that no UTF-8 sequence stands for.
enum class TUtf8Mode {
  // As Windows converts: each invalid byte becomes U+FFFD; each lone
  // surrogate becomes U+FFFD (EF BF BD).
  umReplace,
  // Lossless for bytes: each invalid byte b becomes the lone low surrogate
  // U+DC00 + b (U+DC80 to U+DCFF) and those units become the byte b again.
  // Every other lone surrogate becomes EF BF BD.
  umEscapeBytes,
};

std::u16string DecodeUtf8(std::string_view bytes, TUtf8Mode mode);
std::string EncodeUtf8(std::u16string_view text, TUtf8Mode mode);
