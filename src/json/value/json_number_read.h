// Reading the text of a string value as a number. Only ASCII is readable:
// the library has no code-page conversion, so any unit above U+007F makes the
// text unreadable. The decimal point is always ".", whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Internal to the JSON library.
namespace json::internal {

// Leading spaces, optional sign, then decimal digits, or hexadecimal digits
// after "$", "x", "X", "0x" or "0X"; nothing may follow the digits. Decimal
// text must fit a signed 64-bit integer; hexadecimal text is a 64-bit pattern
// of at most 16 significant digits.
std::optional<std::int64_t> ReadJsonInteger(std::u16string_view text) noexcept;

// Leading spaces, optional sign, digits with an optional "." fraction, an
// optional exponent; nothing may follow. Out-of-range magnitudes are
// unreadable.
std::optional<double> ReadJsonReal(std::u16string_view text) noexcept;

// Round half to even; EJsonError "Invalid floating point operation" when the
// result does not fit a signed 64-bit integer (NaN and infinities included).
std::int64_t RoundJsonFloat(double value);

}  // namespace json::internal
