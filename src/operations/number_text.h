#pragma once
// The number syntax of request parameters: leading blanks, at most one sign, then decimal
// digits or hexadecimal digits after "$" or "0x". Nothing else may follow.

#include <cstdint>
#include <string_view>

// The 32-bit number the text denotes, or 0 when the text is not such a number. Decimal values
// must fit the signed range; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1), as
// callers writing bit patterns expect.
std::int32_t ParseNumberText(std::string_view text) noexcept;
