// Conversions between kinds, including reading number texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "json/value/jsonvalue.h"

namespace {

IJsonValue Text(const char16_t* t) { return TJsonValue::CreateText(t); }
IJsonValue Float(double d) { return TJsonValue::CreateFloat(d); }
IJsonValue Money(std::int64_t units) { return TJsonValue::CreateMoney({units}); }

TEST(JsonConvert, DoublesRoundHalfToEven) {
  EXPECT_EQ(Float(2.5)->ToInt(), 2);
  EXPECT_EQ(Float(3.5)->ToInt(), 4);
  EXPECT_EQ(Float(-2.5)->ToInt(), -2);
  EXPECT_EQ(Float(-3.5)->ToInt(), -4);
  EXPECT_EQ(Float(2.4999)->ToInt(), 2);
  EXPECT_EQ(Float(-0.6)->ToInt(), -1);
  EXPECT_EQ(Float(0.5)->ToInt(), 0);
  EXPECT_EQ(Float(1.5)->ToInt(), 2);
  EXPECT_EQ(Float(0.00125)->ToMoney().Units, 12);  // 12.5 ten-thousandths
  EXPECT_EQ(Float(0.00135)->ToMoney().Units, 14);  // 13.5 (nearest double just above)
  EXPECT_EQ(Float(-1.25)->ToMoney().Units, -12500);
}

TEST(JsonConvert, RoundingOutOfRangeRaisesInvalidFloatingPointOperation) {
  try {
    Float(9.3e18)->ToInt();
    FAIL() << "no error raised";
  } catch (const EJsonError& e) {
    EXPECT_STREQ(e.what(), "Invalid floating point operation");
  }
  EXPECT_THROW(Float(std::nan(""))->ToInt(), EJsonError);
  EXPECT_THROW(Float(std::numeric_limits<double>::infinity())->ToInt(), EJsonError);
  EXPECT_THROW(Float(1e15)->ToMoney(), EJsonError);
  EXPECT_THROW(TJsonValue::CreateInt(std::int64_t(1) << 60)->ToMoney(), EJsonError);
  EXPECT_EQ(Float(-9223372036854775808.0)->ToInt(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TJsonValue::CreateInt(-922337203685477)->ToMoney().Units, -9223372036854770000);
}

TEST(JsonConvert, CurrencyKeepsFourDecimals) {
  EXPECT_EQ(Money(25000)->ToInt(), 2);  // 2.5
  EXPECT_EQ(Money(35000)->ToInt(), 4);
  EXPECT_EQ(Money(-25000)->ToInt(), -2);
  EXPECT_EQ(Money(-25001)->ToInt(), -3);
  EXPECT_EQ(Money(12345)->ToFloat(), 1.2345);
  EXPECT_EQ(Money(12345)->ToMoney().Units, 12345);
  EXPECT_TRUE(Money(1)->ToBool());
  EXPECT_FALSE(Money(0)->ToBool());
}

TEST(JsonConvert, ScalarTable) {
  IJsonValue yes = TJsonValue::CreateBool(true);
  EXPECT_EQ(yes->ToInt(), 1);
  EXPECT_EQ(yes->ToFloat(), 1.0);
  EXPECT_EQ(yes->ToMoney().Units, 10000);
  IJsonValue no = TJsonValue::CreateBool(false);
  EXPECT_FALSE(no->ToBool());
  EXPECT_EQ(no->ToMoney().Units, 0);

  IJsonValue seven = TJsonValue::CreateInt(7);
  EXPECT_TRUE(seven->ToBool());
  EXPECT_EQ(seven->ToFloat(), 7.0);
  EXPECT_EQ(seven->ToMoney().Units, 70000);

  EXPECT_FALSE(Float(0.0)->ToBool());
  EXPECT_TRUE(Float(-0.1)->ToBool());
  EXPECT_EQ(Float(-0.1)->ToFloat(), -0.1);

  IJsonValue null = TJsonValue::Create(skNull);
  EXPECT_FALSE(null->ToBool());
  EXPECT_EQ(null->ToInt(), 0);
  EXPECT_EQ(null->ToFloat(), 0.0);
  EXPECT_EQ(null->ToMoney().Units, 0);
}

TEST(JsonConvert, ContainersAndMethodsAreTrueAndZero) {
  for (TJsonKind kind : {skObject, skArray, skMethod}) {
    IJsonValue v = TJsonValue::Create(kind);
    EXPECT_TRUE(v->ToBool()) << int(kind);
    EXPECT_EQ(v->ToInt(), 0);
    EXPECT_EQ(v->ToFloat(), 0.0);
    EXPECT_EQ(v->ToMoney().Units, 0);
  }
}

TEST(JsonConvert, StringsAsBooleans) {
  EXPECT_FALSE(Text(u"")->ToBool());
  EXPECT_TRUE(Text(u"false")->ToBool());
  EXPECT_TRUE(Text(u"0")->ToBool());
}

TEST(JsonConvert, StringsAsIntegers) {
  EXPECT_EQ(Text(u"42")->ToInt(), 42);
  EXPECT_EQ(Text(u" -7")->ToInt(), -7);
  EXPECT_EQ(Text(u"   +7")->ToInt(), 7);
  EXPECT_EQ(Text(u"0x1F")->ToInt(), 31);
  EXPECT_EQ(Text(u"0X1f")->ToInt(), 31);
  EXPECT_EQ(Text(u"x10")->ToInt(), 16);
  EXPECT_EQ(Text(u"$10")->ToInt(), 16);
  EXPECT_EQ(Text(u"-$10")->ToInt(), -16);
  EXPECT_EQ(Text(u"$FFFFFFFFFFFFFFFF")->ToInt(), -1);
  EXPECT_EQ(Text(u"$00000000000000001")->ToInt(), 1);  // leading zeros are not significant
  EXPECT_EQ(Text(u"$10000000000000000")->ToInt(), 0);  // 17 significant digits
  EXPECT_EQ(Text(u"007")->ToInt(), 7);
}

TEST(JsonConvert, UnreadableIntegerTextsGiveZero) {
  for (const char16_t* text : {u"4 2", u"", u" ", u"abc", u"-", u"$", u"0x", u"12 ", u"\t5", u"1.5",
                               u"+-1", u"1e3", u"\uFF11"}) {
    EXPECT_EQ(Text(text)->ToInt(), 0)
        << std::string(text, text + std::char_traits<char16_t>::length(text));
  }
}

TEST(JsonConvert, DecimalTextMustFitSixtyFourBits) {
  EXPECT_EQ(Text(u"9223372036854775807")->ToInt(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Text(u"9223372036854775808")->ToInt(), 0);
  EXPECT_EQ(Text(u"-9223372036854775808")->ToInt(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Text(u"-9223372036854775809")->ToInt(), 0);
  EXPECT_EQ(Text(u"99999999999999999999999")->ToInt(), 0);
}

TEST(JsonConvert, StringsAsRealNumbers) {
  EXPECT_EQ(Text(u"1.5")->ToFloat(), 1.5);
  EXPECT_EQ(Text(u"  -2.25e2")->ToFloat(), -225.0);
  EXPECT_EQ(Text(u"+1E-2")->ToFloat(), 0.01);
  EXPECT_EQ(Text(u"7")->ToFloat(), 7.0);
  EXPECT_EQ(Text(u".5")->ToFloat(), 0.5);
  EXPECT_EQ(Text(u"5.")->ToFloat(), 5.0);
  for (const char16_t* text : {u"", u".", u"1,5", u"1e", u"e5", u"1.5x", u"1e+", u"inf", u"nan",
                               u"0x10", u"1e999", u"1.5\u00A0"}) {
    EXPECT_EQ(Text(text)->ToFloat(), 0.0);
    EXPECT_EQ(Text(text)->ToMoney().Units, 0);
  }
}

TEST(JsonConvert, StringsAsCurrency) {
  EXPECT_EQ(Text(u"12.3456")->ToMoney().Units, 123456);
  EXPECT_EQ(Text(u"0.00005")->ToMoney().Units, 0);  // half, to even
  EXPECT_EQ(Text(u"-1")->ToMoney().Units, -10000);
  EXPECT_THROW(Text(u"1e300")->ToMoney(), EJsonError);
}

TEST(JsonConvert, StringTextIsItself) {
  EXPECT_EQ(Text(u"a \"quoted\" text")->ToText(), u"a \"quoted\" text");
  EXPECT_EQ(Text(u"5")->ToText(), u"5");
}

TEST(JsonConvert, OtherKindsGiveTheirCompactJsonText) {
  EXPECT_EQ(TJsonValue::CreateInt(-12)->ToText(), u"-12");
  EXPECT_EQ(TJsonValue::CreateBool(true)->ToText(), u"true");
  EXPECT_EQ(TJsonValue::CreateBool(false)->ToText(), u"false");
  EXPECT_EQ(TJsonValue::Create(skNull)->ToText(), u"null");
  EXPECT_EQ(TJsonValue::CreateMethod(nullptr)->ToText(), u"");
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutText(u"b", u"\u00E9");
  object->PutInt(u"a", 1);
  // Members in walk order, no escaping of non-ASCII text.
  EXPECT_EQ(object->ToText(), u"{\"b\":\"\u00E9\",\"a\":1}");
}

}  // namespace
