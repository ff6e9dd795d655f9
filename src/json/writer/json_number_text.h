// Number texts of the JSON writer. They never depend on the locale: the
// decimal point is always '.', and the exponent is written as E without '+'.
#pragma once

#include <cstdint>
#include <string_view>

// Internal to the JSON library.
namespace json::internal {

// A number's text in a fixed buffer, so writing a number allocates nothing.
struct TJsonNumberText {
  static constexpr std::int32_t kMaxUnits = 32;
  char16_t Units[kMaxUnits];
  std::int32_t Count = 0;

  std::u16string_view View() const noexcept { return {Units, static_cast<std::size_t>(Count)}; }
};

// Plain signed decimal.
TJsonNumberText IntText(std::int64_t value) noexcept;

// The value rounded to 15 significant digits, trailing zeros dropped. With
// the digits d1..dn and E such that the value is 0.d1..dn x 10^E: plain form
// for -3 <= E <= 15 (0.00015, 1.5, 100), otherwise d1.d2..dnE<E-1> (1E15,
// 1E-5). Zero is 0. Infinities and NaN have no JSON form and give null.
TJsonNumberText DoubleText(double value) noexcept;

// A count of ten-thousandths as its exact decimal amount: at most four
// fraction digits, trailing fraction zeros and a bare point dropped
// (15000 is 1.5, 1000000 is 100, 1 is 0.0001).
TJsonNumberText MoneyText(std::int64_t units) noexcept;

}  // namespace json::internal
