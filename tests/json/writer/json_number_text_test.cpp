#include "json/writer/json_number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using json::internal::DoubleText;
using json::internal::IntText;
using json::internal::MoneyText;
using json::internal::TJsonNumberText;

namespace {

std::string Narrow(const TJsonNumberText& text) {
  return std::string(text.View().begin(), text.View().end());
}

TEST(JsonNumberText, DoublesUsePlainFormBetweenTheExponentLimits) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.1"},
      {1.5, "1.5"},
      {100, "100"},
      {-2.25, "-2.25"},
      {0.00015, "0.00015"},
      {0.001, "0.001"},
      {-0.0005, "-0.0005"},
      {123456789012345.0, "123456789012345"},
      {1e14, "100000000000000"},
      {3.14159265358979, "3.14159265358979"},
      {0.3 - 0.1, "0.2"},
      {1.0 / 3, "0.333333333333333"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(Narrow(DoubleText(value)), text) << value;
}

TEST(JsonNumberText, DoublesOutsideThePlainRangeUseAnExponentWithoutPlus) {
  const std::pair<double, const char*> cases[] = {
      {1e15, "1E15"},
      {1e20, "1E20"},
      {0.00001, "1E-5"},
      {-0.000012345, "-1.2345E-5"},
      {1234567890123456.0, "1.23456789012346E15"},
      {std::numeric_limits<double>::max(), "1.79769313486232E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      // Rounding to 15 digits carries into the next power of ten.
      {999999999999999.9, "1E15"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(Narrow(DoubleText(value)), text) << value;
}

TEST(JsonNumberText, DoublesReadBackAsTheValueRoundedToFifteenDigits) {
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 200000; ++i) {
    double value;
    if (i % 2) {
      const std::uint64_t bits = random();
      std::memcpy(&value, &bits, sizeof value);
      if (!std::isfinite(value)) continue;
    } else {
      value = static_cast<double>(random() % 1000000) / static_cast<double>(1 + random() % 997);
    }
    char expected[40];
    const auto expectedEnd = std::to_chars(expected, expected + sizeof expected, value,
                                           std::chars_format::scientific, 14)
                                 .ptr;
    double rounded = 0;
    std::from_chars(expected, expectedEnd, rounded);

    const std::string text = Narrow(DoubleText(value));
    double read = 1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    ASSERT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    ASSERT_EQ(read, rounded) << text;
    ASSERT_EQ(text.find('+'), std::string::npos) << text;
  }
}

TEST(JsonNumberText, ZeroAndNonFiniteDoubles) {
  EXPECT_EQ(Narrow(DoubleText(0.0)), "0");
  EXPECT_EQ(Narrow(DoubleText(-0.0)), "0");
  // No JSON form exists for these; null keeps the text readable.
  EXPECT_EQ(Narrow(DoubleText(std::numeric_limits<double>::infinity())), "null");
  EXPECT_EQ(Narrow(DoubleText(-std::numeric_limits<double>::infinity())), "null");
  EXPECT_EQ(Narrow(DoubleText(std::nan(""))), "null");
}

TEST(JsonNumberText, DecimalPointIgnoresTheProcessLocale) {
  // A comma locale is not installed everywhere; when none is, the check
  // still guards against a formatter that reads the C locale.
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "cs_CZ.UTF-8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_ALL, name)) break;
  }
  EXPECT_EQ(Narrow(DoubleText(1.5)), "1.5");
  EXPECT_EQ(Narrow(MoneyText(15000)), "1.5");
  std::setlocale(LC_ALL, previous.c_str());
}

TEST(JsonNumberText, MoneyIsTheExactAmountWithAtMostFourDecimals) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {15000, "1.5"},
      {1000000, "100"},
      {1, "0.0001"},
      {0, "0"},
      {-1, "-0.0001"},
      {-25000, "-2.5"},
      {123456789, "12345.6789"},
      {10010, "1.001"},
      {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
      {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
  };
  for (const auto& [units, text] : cases) EXPECT_EQ(Narrow(MoneyText(units)), text) << units;
}

TEST(JsonNumberText, IntegersArePlainSignedDecimal) {
  EXPECT_EQ(Narrow(IntText(0)), "0");
  EXPECT_EQ(Narrow(IntText(-5)), "-5");
  EXPECT_EQ(Narrow(IntText(42)), "42");
  EXPECT_EQ(Narrow(IntText(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
  EXPECT_EQ(Narrow(IntText(std::numeric_limits<std::int64_t>::max())), "9223372036854775807");
}

}  // namespace
