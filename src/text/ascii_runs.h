// Widening and narrowing runs of ASCII, which most requests and replies are.
#pragma once

#include <cstddef>

// Widens the leading ASCII bytes of bytes[0, n) into out (room for n units);
// yields how many there are.
std::size_t WidenAsciiRun(const char* bytes, std::size_t n, char16_t* out) noexcept;

// Narrows the leading units of text[0, n) below U+0080 into out (room for n
// bytes); yields how many there are.
std::size_t NarrowAsciiRun(const char16_t* text, std::size_t n, char* out) noexcept;

// The number of leading bytes of bytes[0, n) below 0x80.
std::size_t AsciiRunLength(const char* bytes, std::size_t n) noexcept;
