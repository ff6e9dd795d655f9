#include "operations/number_text.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberTextTest, ReadsDecimalAndHexWithBlanksAndOneSign) {
  EXPECT_EQ(ParseNumberText("12"), 12);
  EXPECT_EQ(ParseNumberText(" -7"), -7);
  EXPECT_EQ(ParseNumberText("   +65001"), 65001);
  EXPECT_EQ(ParseNumberText("$1F"), 31);
  EXPECT_EQ(ParseNumberText("0x1f"), 31);
  EXPECT_EQ(ParseNumberText("-$10"), -16);
  EXPECT_EQ(ParseNumberText("007"), 7);
  EXPECT_EQ(ParseNumberText("2147483647"), 2147483647);
  EXPECT_EQ(ParseNumberText("-2147483648"), INT32_MIN);
  // Hexadecimal values are 32-bit patterns.
  EXPECT_EQ(ParseNumberText("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseNumberText("0x80000000"), INT32_MIN);
  EXPECT_EQ(ParseNumberText("65538"), 65538);
}

TEST(NumberTextTest, AnythingElseIsZero) {
  for (const char* text :
       {"", " ", "12 ", "abc", "2147483648", "-2147483649", "99999999999999999999", "$100000000",
        "+-1", "--1", "1.5", "1e3", "$", "0x", "-", "\t5", "5\n", "0b101", "１２"}) {
    EXPECT_EQ(ParseNumberText(text), 0) << '"' << text << '"';
  }
  EXPECT_EQ(ParseNumberText(std::string_view("1\0", 2)), 0);
}

}  // namespace
