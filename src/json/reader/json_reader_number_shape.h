// What the reader gathers about a number besides its characters, and the
// value those make; shared by the unit-by-unit number state and the
// shortcuts that read a whole number at once.
#pragma once

#include <cstdint>
#include <string_view>

#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_number.h"
#include "json/value/jsonvalue.h"

// Internal to the reader.
namespace json::internal {

struct TNumberShape {
  std::int32_t HasFraction = 0;
  // Digits after the point while the number can still be a currency value, else -1.
  std::int32_t FractionDigits = -1;

  // The shape after one more number character.
  void Take(char16_t c) noexcept {
    if (c == u'.') {
      HasFraction = 1;
      FractionDigits = 0;
    } else if (c == u'E' || c == u'e') {
      HasFraction = 1;
      FractionDigits = -1;
    } else if (chars::IsDigit(c) && HasFraction == 1 && FractionDigits >= 0) {
      if (++FractionDigits > 4) FractionDigits = -1;
    }
  }
};

// The value of a number's characters: an integer without point or exponent, a
// currency amount with up to four fraction digits when it fits, else a double.
inline IJsonValue NumberValue(std::u16string_view text, const TNumberShape& shape) {
  if (shape.HasFraction == 0) return TJsonValue::CreateInt(ReadTokenInteger(text));
  if (shape.FractionDigits >= 0) {
    if (const auto units = ReadTokenMoney(text, shape.FractionDigits)) {
      return TJsonValue::CreateMoney(TJsonCurrency::FromUnits(*units));
    }
  }
  return TJsonValue::CreateFloat(ReadTokenDouble(text));
}

// The end of the number characters from first on, and their shape: what
// Take one by one would give, with runs of digits taken at once (they are
// most of a number, and only those behind a point change the shape).
inline const char16_t* NumberEnd(const char16_t* first, const char16_t* last,
                                 TNumberShape& shape) noexcept {
  const char16_t* end = first;
  for (;;) {
    const char16_t* digits = end;
    while (end < last && chars::IsDigit(*end)) ++end;
    if (shape.FractionDigits >= 0) {
      shape.FractionDigits += static_cast<std::int32_t>(end - digits);
      if (shape.FractionDigits > 4) shape.FractionDigits = -1;
    }
    if (end == last || !chars::IsNumberChar(*end)) return end;
    shape.Take(*end++);
  }
}

}  // namespace json::internal
