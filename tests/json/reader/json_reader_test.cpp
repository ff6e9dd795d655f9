// Reading documents: what the lenient and the strict reader build, and where
// they fail.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "json/json_reader.h"
#include "json/reader_support.h"

namespace {

struct TDocumentCase {
  std::u16string Text;
  std::string Expected;  // compact ASCII JSON, or "nil"
  int Error = 0;
};

void ExpectCases(const std::vector<TDocumentCase>& cases, bool strict) {
  for (const auto& c : cases) {
    const TReadOutcome read = RunReader(c.Text, strict);
    const std::string label(c.Text.begin(), c.Text.end());
    EXPECT_EQ(read.Error, c.Error) << label;
    EXPECT_EQ(Json(read.Value), c.Expected) << label;
  }
}

TEST(JsonReaderDocument, WorkedExampleReadsBareWordInsideArray) {
  const TReadOutcome read = RunReader(u"{\"a\":[1,x]}");
  EXPECT_EQ(read.Error, jeNone);
  EXPECT_EQ(Json(read.Value), R"({"a":[1,"x"]})");
}

TEST(JsonReaderDocument, LenientExtensions) {
  ExpectCases(
      {
          {u"", R"("")"},
          {u"   ", R"("")"},
          {u"{\"a\":1,}", R"({"a":1})"},
          {u"[1,2,]", "[1,2]"},
          {u"[1,,2]", R"([1,"",2])"},
          {u"{\"a\":}", R"({"a":""})"},
          {u"{a b: 1}", R"({"a b":1})"},
          {u"{a : 1}", R"({"a ":1})"},
          {u"{'k':'v'}", R"({"k":"v"})"},
          {u"['say \"hi\"']", R"(["say \"hi\""])"},
          {u"[abc def ,x]", R"(["abc def","x"])"},
          {u"hello world  \n", R"("hello world")"},
          {u"tab\t", R"("tab\t")"},
          {u"{\"a\":1,\"a\":2}", R"({"a":2})"},
          {u"{1:2}", R"({"1":2})"},
          {u"[\"\\x41\\x4a\"]", R"(["AJ"])"},
      },
      false);
}

TEST(JsonReaderDocument, StrictRefusesBareWordsAndUnquotedNames) {
  ExpectCases(
      {
          {u"{\"a\":1,}", R"({"a":1})"},
          {u"[1,2,]", "[1,2]"},
          {u"[1,,2]", "nil", jeBadCharacter},
          {u"hello", "nil", jeBadCharacter},
          {u"[nul]", "nil", jeBadCharacter},
          {u"{a:1}", "nil", jeMemberName},
          {u"{\u00e9:1}", "nil", jeMemberName},
          // Unquoted names are refused whatever their first character.
          {u"{\u0100:1}", "nil", jeMemberName},
          {u"{\"a\":[true,false,null,-1.5,'x']}", R"({"a":[true,false,null,-1.5,"x"]})"},
      },
      true);
}

TEST(JsonReaderDocument, OnlyLowerCaseKeywordsAndOnlyWhenTheWordEnds) {
  ExpectCases(
      {
          {u"[true,false,null]", "[true,false,null]"},
          {u"Null", R"("Null")"},
          {u"TRUE", R"("TRUE")"},
          {u"False", R"("False")"},
          {u"nullx", R"("nullx")"},
          {u"[truely,fals,nul]", R"(["truely","fals","nul"])"},
          {u"[null1]", "nil", jeArraySeparator},
          {u"null1", "null"},
          {u"[null\u0101]", R"(["null\u0101"])"},
      },
      false);
}

TEST(JsonReaderDocument, EscapesInStringsNamesAndWords) {
  ExpectCases(
      {
          {u"\"\\u00e9\\x41\\q\\/\\\\\\'\"", R"("\u00e9Aq\/\\'")"},
          {u"\"\\b\\f\\n\\r\\t\"", R"("\b\f\n\r\t")"},
          {u"\"\\ud83d\\ude00\"", R"("\ud83d\ude00")"},
          {u"{\"a\\u0000b\":1}", R"({"a":1})"},
          {u"{a\\u0041:1}", R"({"aA":1})"},
          {u"[x\\,y]", R"(["x,y"])"},
          {u"\"\\u00zz\"", "nil", jeBadCharacter},
          {u"\"\\x4\"", "nil", jeBadCharacter},
      },
      false);

  // U+0000 written as an escape stays inside a string value.
  const TReadOutcome read = RunReader(u"\"a\\u0000b\"");
  ASSERT_TRUE(KindIs(read.Value, skString));
  EXPECT_EQ(read.Value->ToText(), std::u16string(u"a\0b", 3));
}

TEST(JsonReaderDocument, CommentsWhereverWhiteSpaceMayStand) {
  ExpectCases(
      {
          {u"/* c */ [1, // x\n 2 /**/]", "[1,2]"},
          {u"{\"a\" /* c */ : /* d */ 1}", R"({"a":1})"},
          {u"/* a **/ 1", "1"},
          {u"/* a ** b */ 2", "2"},
          {u"/*** a ***/ 3", "3"},
          {u"{} /* never closed", "{}"},
          {u"{} // trailing", "{}"},
          {u"/x", "nil", jeBadComment},
          {u"{} /x", "nil", jeBadComment},
          {u"[1 /x]", "nil", jeBadComment},
          {u"// only a comment", "nil", jeUnterminated},
          {u"[1 /* open", "nil", jeUnterminated},
          {u"{\"a\":1 // x", "nil", jeUnterminated},
      },
      false);
}

TEST(JsonReaderDocument, StructuralErrors) {
  ExpectCases(
      {
          {u"\"abc", "nil", jeUnterminated},
          {u"'abc\"", "nil", jeUnterminated},
          {u"{", "nil", jeMemberName},
          {u"{,}", "nil", jeMemberName},
          {u"[1", "nil", jeArraySeparator},
          {u"[1 2]", "nil", jeArraySeparator},
          {u"{\"a\" 1}", "nil", jeNameColon},
          {u"{\"a\"}", "nil", jeNameColon},
          {u"{a}", "nil", jeNameColon},
          {u"{\"a\":1 \"b\":2}", "nil", jeMemberSeparator},
          {u"{\"a\":\"x", "nil", jeUnterminated},
      },
      false);
}

TEST(JsonReaderDocument, NestingIsBoundedByThirtyTwoLevels) {
  const auto nested = [](int depth, std::u16string_view inner) {
    return std::u16string(static_cast<std::size_t>(depth), u'[') + std::u16string(inner) +
           std::u16string(static_cast<std::size_t>(depth), u']');
  };
  EXPECT_EQ(RunReader(nested(31, u"7")).Error, jeNone);
  EXPECT_EQ(Json(RunReader(nested(31, u"7")).Value),
            std::string(31, '[') + "7" + std::string(31, ']'));
  EXPECT_EQ(RunReader(nested(32, u"7")).Error, jeTooDeep);
  EXPECT_EQ(RunReader(nested(32, u"")).Error, jeNone);
  EXPECT_EQ(RunReader(nested(33, u"")).Error, jeTooDeep);
  EXPECT_EQ(RunReader(u"{\"a\":" + nested(30, u"1") + u"}").Error, jeNone);
  EXPECT_EQ(RunReader(u"{\"a\":" + nested(31, u"1") + u"}").Error, jeTooDeep);
}

TEST(JsonReaderDocument, TrailingTextAndWhereTheReaderStopped) {
  const TReadOutcome braces = RunReader(u"{}  xyz");
  EXPECT_EQ(Json(braces.Value), "{}");
  EXPECT_EQ(braces.Offset, 4);  // after the blanks, at "x"

  EXPECT_EQ(Json(ParseText(u"{}  true", false, true, nullptr, paNone, nullptr, skNull)), "{}");
  EXPECT_EQ(Json(ParseText(u"{}  true", false, false, nullptr, paNone, nullptr, skNull)), "nil");
  EXPECT_EQ(Json(ParseText(u"{}  ", false, false, nullptr, paNone, nullptr, skNull)), "{}");
  EXPECT_EQ(Json(ParseText(u"{} /* open", false, false, nullptr, paNone, nullptr, skNull)), "{}");
  // A U+0000 inside the text ends it.
  EXPECT_EQ(Json(ParseText(std::u16string(u"[1]\0[2]", 7), false, false, nullptr, paNone, nullptr,
                           skNull)),
            "[1]");
  // The ( before a value is ignored and the ) is trailing text.
  EXPECT_EQ(Json(ParseJson(u"(5)")), "5");
  EXPECT_EQ(Json(ParseText(u"(5)", false, false, nullptr, paNone, nullptr, skNull)), "nil");
}

TEST(JsonReaderDocument, ExplicitLengthMustEndAfterACompleteValue) {
  const std::u16string text = u"[1,2]xyz";
  const auto read = [&](std::int32_t length) {
    TJsonTokenizer tokenizer;
    IJsonValue value =
        ParseJsonCore(tokenizer, text.c_str(), length, false, nullptr, paNone, nullptr, skNull);
    return std::make_pair(Json(value), static_cast<int>(tokenizer.ErrorCode));
  };
  EXPECT_EQ(read(5), std::make_pair(std::string("[1,2]"), 0));
  EXPECT_EQ(read(4), std::make_pair(std::string("nil"), int{jeLengthReached}));
  EXPECT_EQ(read(-1), std::make_pair(std::string("[1,2]"), 0));
}

TEST(JsonReaderNumbers, KindsFollowTheFractionDigits) {
  struct TNumberCase {
    std::u16string Text;
    TJsonKind Kind;
    std::string Json;
  };
  const TNumberCase cases[] = {
      {u"10", skInt, "10"},
      {u"-0", skInt, "0"},
      {u"1-2", skInt, "1"},
      {u"-", skInt, "0"},
      {u"1.5", skCurrency, "1.5"},
      {u"1.50", skCurrency, "1.5"},
      {u"-2.25", skCurrency, "-2.25"},
      {u"0.0001", skCurrency, "0.0001"},
      {u"1.", skCurrency, "1"},
      {u"1.23456", skDouble, "1.23456"},
      {u"1e3", skDouble, "1000"},
      {u"1.5E-3", skDouble, "0.0015"},
      {u"2.5e1", skDouble, "25"},
  };
  for (const auto& c : cases) {
    const IJsonValue value = ParseJson(c.Text);
    const std::string label(c.Text.begin(), c.Text.end());
    EXPECT_EQ(KindOf(value), c.Kind) << label;
    EXPECT_EQ(Json(value), c.Json) << label;
  }
  EXPECT_EQ(ParseJson(u"1.5")->ToMoney(), TJsonCurrency::FromUnits(15000));
  EXPECT_EQ(ParseJson(u"-2.25")->ToMoney(), TJsonCurrency::FromUnits(-22500));
  EXPECT_EQ(ParseJson(u"[1.25,3]")->ArrayStore()->ItemAt(0)->ToMoney(),
            TJsonCurrency::FromUnits(12500));
}

TEST(JsonReaderNumbers, OversizedAndMalformedNumbersGiveDefinedValues) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(ParseJson(u"9223372036854775807")->ToInt(), kMax);
  EXPECT_EQ(ParseJson(u"-9223372036854775808")->ToInt(), kMin);
  // Integers saturate and stay integers.
  for (const auto* text : {u"9223372036854775808", u"123456789012345678901234567890"}) {
    const IJsonValue value = ParseJson(text);
    EXPECT_TRUE(KindIs(value, skInt));
    EXPECT_EQ(value->ToInt(), kMax);
  }
  EXPECT_EQ(ParseJson(u"-9223372036854775809")->ToInt(), kMin);

  // The largest currency amount still fits; one unit more becomes a double.
  const IJsonValue largest = ParseJson(u"922337203685477.5807");
  EXPECT_TRUE(KindIs(largest, skCurrency));
  EXPECT_EQ(largest->ToMoney(), TJsonCurrency::FromUnits(kMax));
  const IJsonValue beyond = ParseJson(u"922337203685477.5808");
  EXPECT_TRUE(KindIs(beyond, skDouble));
  EXPECT_DOUBLE_EQ(beyond->ToFloat(), 922337203685477.5808);

  EXPECT_EQ(ParseJson(u"1e")->ToFloat(), 1.0);
  EXPECT_EQ(ParseJson(u"1.2e+")->ToFloat(), 1.2);
  EXPECT_EQ(ParseJson(u"1e--5")->ToFloat(), 1.0);
  EXPECT_EQ(ParseJson(u"-.5e")->ToFloat(), -0.5);
  EXPECT_EQ(ParseJson(u"1e400")->ToFloat(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseJson(u"-1e400")->ToFloat(), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseJson(u"1e-400")->ToFloat(), 0.0);
  EXPECT_EQ(ParseJson(u"0.0000000000000000000000000000001e-300")->ToFloat(), 0.0);
  EXPECT_EQ(ParseJson(u"1000000000000000000000000000000e300")->ToFloat(),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseJson(u"1e99999999999999999999")->ToFloat(),
            std::numeric_limits<double>::infinity());
}

TEST(JsonReaderNumbers, IntegersAroundEighteenDigitsAndLeadingZerosStayExact) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(ParseJson(u"[999999999999999999]")->ToJsonText(false, true), u"[999999999999999999]");
  EXPECT_EQ(ParseJson(u"[-999999999999999999]")->ToJsonText(false, true), u"[-999999999999999999]");
  EXPECT_EQ(ParseJson(u"1000000000000000000")->ToInt(), 1000000000000000000);
  EXPECT_EQ(ParseJson(u"00000000000000000000009223372036854775807")->ToInt(), kMax);
  EXPECT_EQ(ParseJson(u"-0000000000000000000009223372036854775808")->ToInt(), kMin);
  EXPECT_EQ(ParseJson(u"00000000000000000000009223372036854775808")->ToInt(), kMax);
  EXPECT_EQ(ParseJson(u"[00000000000000000000000000012,1]")->ToJsonText(false, true), u"[12,1]");
  // Currency amounts are read as one run of digits too.
  EXPECT_EQ(ParseJson(u"[92233720368547.7580,1]")->ToJsonText(false, true),
            u"[92233720368547.758,1]");
}

TEST(JsonReaderDocument, LongStringsWithAndWithoutEscapes) {
  std::u16string body(300000, u'x');
  body[1000] = u'\u00e9';
  IJsonValue plain = ParseJson(u"{\"p\":\"" + body + u"\"}");
  EXPECT_EQ(plain->GetText(u"p"), body);

  std::u16string escaped = body;
  escaped.insert(150000, u"\\n");
  std::u16string expected = body;
  expected.insert(150000, u"\n");
  IJsonValue withEscape = ParseJson(u"['" + escaped + u"']");
  EXPECT_EQ(withEscape->ArrayStore()->ItemAt(0)->ToText(), expected);
}

}  // namespace
