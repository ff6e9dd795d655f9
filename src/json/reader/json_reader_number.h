// Conversions of the number characters the reader collects (signs, digits,
// points and exponent letters). None of them fails: malformed or oversized
// text yields a defined value, as json_reader.h describes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Internal to the JSON library.
namespace json::internal {

// The integer of the leading sign and digits; the rest is ignored and no
// digits give 0. Values beyond the signed 64-bit range saturate.
std::int64_t ReadTokenInteger(std::u16string_view text) noexcept;

// A decimal with fractionDigits (0 to 4) digits after its first point, in
// ten-thousandths; nothing when the amount does not fit 64 bits.
std::optional<std::int64_t> ReadTokenMoney(std::u16string_view text,
                                           std::int32_t fractionDigits) noexcept;

// The double of the longest well-formed prefix, independent of any locale.
double ReadTokenDouble(std::u16string_view text) noexcept;

}  // namespace json::internal
