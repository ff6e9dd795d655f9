#pragma once
// Reading parameters as the handlers need them. A missing parameter is never an error: a text
// reads as empty, a number as 0. Parameters are counted from 1 ("param1").

#include <cstdint>
#include <string>
#include <string_view>

class TWideStrings;

// Parameter k as it arrived (no trimming), or the empty text when there are fewer than k.
std::u16string TextParam(const TWideStrings& params, int k);
// The same without a copy, valid while the list is unchanged: a text to sign may be large.
std::u16string_view TextParamView(const TWideStrings& params, int k) noexcept;

// Parameter k as a 32-bit number: converted to narrow text with the ANSI code page and read
// with ParseNumberText; 0 when there are fewer than k.
std::int32_t NumberParam(const TWideStrings& params, int k);
