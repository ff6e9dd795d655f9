// Currency amounts from the reader's number characters, checked against a
// plain overflow-checked computation of the same digits.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "json/reader/json_reader_number.h"

using json::internal::ReadTokenMoney;

namespace {

// The amount in ten-thousandths of sign, whole digits and fraction digits,
// nothing when it does not fit 64 bits. Overflow-checked unsigned arithmetic,
// so that the reference builds for 32-bit targets too (no 128-bit integers).
std::optional<std::int64_t> ReferenceAmount(bool negative, const std::string& whole,
                                            const std::string& fraction) {
  std::uint64_t magnitude = 0;
  for (const char c : whole + fraction) {
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
        __builtin_add_overflow(magnitude, static_cast<unsigned>(c - '0'), &magnitude)) {
      return std::nullopt;
    }
  }
  for (std::size_t i = fraction.size(); i < 4; ++i) {
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude)) return std::nullopt;
  }
  constexpr std::uint64_t kLargestPositive = std::numeric_limits<std::int64_t>::max();
  if (magnitude > kLargestPositive + (negative ? 1 : 0)) return std::nullopt;
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

TEST(JsonReaderNumber, AmountsOfEveryLengthMatchAWideComputation) {
  std::uint32_t state = 99;
  const auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (int round = 0; round < 20000; ++round) {
    const bool negative = next(2) == 1;
    std::string whole, fraction;
    const std::uint32_t wholeDigits = next(22);
    const std::uint32_t fractionDigits = next(5);
    for (std::uint32_t i = 0; i < wholeDigits; ++i) whole += char('0' + next(10));
    for (std::uint32_t i = 0; i < fractionDigits; ++i) fraction += char('0' + next(10));
    const std::string text = (negative ? "-" : "") + whole + "." + fraction;
    const std::u16string wide(text.begin(), text.end());
    EXPECT_EQ(ReadTokenMoney(wide, std::int32_t(fractionDigits)),
              ReferenceAmount(negative, whole, fraction))
        << text;
  }
}

TEST(JsonReaderNumber, AmountsAtTheEdgesOfTheShortReading) {
  EXPECT_EQ(ReadTokenMoney(u"99999999999999.", 0), 999999999999990000);
  EXPECT_EQ(ReadTokenMoney(u"999999999999999.", 0), std::nullopt);
  EXPECT_EQ(ReadTokenMoney(u"99999999999999.9", 1), 999999999999999000);
  EXPECT_EQ(ReadTokenMoney(u"-9999999999999.99", 2), -99999999999999900);
  EXPECT_EQ(ReadTokenMoney(u"-.5", 1), -5000);
  EXPECT_EQ(ReadTokenMoney(u"7.", 0), 70000);
  // Characters the short reading does not take go to the general one.
  EXPECT_EQ(ReadTokenMoney(u"+1.5", 1), 15000);
  EXPECT_EQ(ReadTokenMoney(u"1-2.5", 1), 1000);
  EXPECT_EQ(ReadTokenMoney(u"1.5.7", 1), 15000);
}

}  // namespace
