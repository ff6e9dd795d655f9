#include "json/writer/json_number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace json::internal {

namespace {

constexpr int kSignificantDigits = 15;

void Put(TJsonNumberText& text, char16_t unit) noexcept { text.Units[text.Count++] = unit; }

void PutAscii(TJsonNumberText& text, const char* first, const char* last) noexcept {
  while (first != last) Put(text, static_cast<char16_t>(*first++));
}

// Unsigned decimal digits, no leading zeros.
void PutDecimal(TJsonNumberText& text, std::uint64_t value) noexcept {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  PutAscii(text, digits, end);
}

std::uint64_t Magnitude(std::int64_t value) noexcept {
  // Negating in unsigned arithmetic keeps the smallest 64-bit value exact.
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace

TJsonNumberText IntText(std::int64_t value) noexcept {
  TJsonNumberText text;
  if (value < 0) Put(text, u'-');
  PutDecimal(text, Magnitude(value));
  return text;
}

TJsonNumberText DoubleText(double value) noexcept {
  TJsonNumberText text;
  if (!std::isfinite(value)) {
    constexpr std::string_view kNull = "null";
    PutAscii(text, kNull.data(), kNull.data() + kNull.size());
    return text;
  }
  if (value == 0) {  // negative zero too
    Put(text, u'0');
    return text;
  }

  // Correctly rounded to 15 significant digits: "d.dddddddddddddde+xx".
  char sci[40];
  const auto end = std::to_chars(sci, sci + sizeof sci, std::fabs(value),
                                 std::chars_format::scientific, kSignificantDigits - 1)
                       .ptr;
  char digits[kSignificantDigits];
  int count = 0;
  const char* p = sci;
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  // value = 0.d1..dn x 10^exponent
  // p is at 'e', followed by the sign and at least two digits.
  int exponent = 0;
  for (const char* q = p + 2; q != end; ++q) exponent = exponent * 10 + (*q - '0');
  exponent = (p[1] == '-' ? -exponent : exponent) + 1;

  if (value < 0) Put(text, u'-');
  if (exponent > kSignificantDigits || exponent < -3) {
    Put(text, static_cast<char16_t>(digits[0]));
    if (count > 1) {
      Put(text, u'.');
      PutAscii(text, digits + 1, digits + count);
    }
    Put(text, u'E');
    if (exponent - 1 < 0) Put(text, u'-');
    PutDecimal(text, static_cast<std::uint64_t>(std::abs(exponent - 1)));
  } else if (exponent <= 0) {
    Put(text, u'0');
    Put(text, u'.');
    for (int i = exponent; i < 0; ++i) Put(text, u'0');
    PutAscii(text, digits, digits + count);
  } else {
    for (int i = 0; i < exponent; ++i)
      Put(text, i < count ? static_cast<char16_t>(digits[i]) : u'0');
    if (count > exponent) {
      Put(text, u'.');
      PutAscii(text, digits + exponent, digits + count);
    }
  }
  return text;
}

TJsonNumberText MoneyText(std::int64_t units) noexcept {
  TJsonNumberText text;
  const std::uint64_t magnitude = Magnitude(units);
  if (units < 0) Put(text, u'-');
  PutDecimal(text, magnitude / 10000);
  unsigned fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    Put(text, u'.');
    for (unsigned scale = 1000; fraction != 0; scale /= 10) {
      Put(text, static_cast<char16_t>(u'0' + fraction / scale));
      fraction %= scale;
    }
  }
  return text;
}

}  // namespace json::internal
