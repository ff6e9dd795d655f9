// Reading documents: what the lenient and the strict reader build, and where
// they fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "json/reader/json_reader.h"
#include "json/value/jsonvalue.h"
#include "tests/json/reader/reader_support.h"

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

// --- The reader takes a document's numbers, keywords and quoted names in one
// step when they end inside the text, and unit by unit otherwise (a token cut
// off by the end of the text, an escape in a name). Both ways must build the
// same values and fail the same way; these tests read the same tokens both
// ways and compare.

// Everything a reader's value shows: its kind, its text, and for numbers the
// exact amount (the text of a double may round).
std::string Describe(const IJsonValue& value) {
  std::string out = std::to_string(KindOf(value)) + " " + Json(value);
  if (KindIs(value, skDouble)) {
    const double number = value->ToFloat();
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    out += " bits " + std::to_string(bits);
  } else if (KindIs(value, skCurrency)) {
    out += " units " + std::to_string(value->ToMoney().Units);
  }
  return out;
}

IJsonValue FirstItem(const IJsonValue& array) {
  return KindIs(array, skArray) ? array->ArrayStore()->ItemAt(0) : IJsonValue(nullptr);
}

// A token at the end of the text goes unit by unit; the same token inside an
// array or as a member value is taken at once.
void ExpectSameBothWays(const std::u16string& token) {
  const std::string label(token.begin(), token.end());
  const std::string alone = Describe(ParseJson(token));
  EXPECT_EQ(Describe(FirstItem(ParseJson(u"[" + token + u"]"))), alone) << label;
  EXPECT_EQ(Describe(FirstItem(ParseJson(u"[" + token + u" ,1]"))), alone) << label;
  const IJsonValue object = ParseJson(u"{\"n\":" + token + u"}");
  ASSERT_TRUE(KindIs(object, skObject)) << label;
  EXPECT_EQ(Describe(object->Get(u"n")), alone) << label;
}

TEST(JsonReaderFastPaths, NumbersReadTheSameWholeAsUnitByUnit) {
  for (const char16_t* number : {u"0",
                                 u"10",
                                 u"-0",
                                 u"-",
                                 u"+5",
                                 u"1-2",
                                 u"1.5",
                                 u"1.50",
                                 u"-2.25",
                                 u"0.0001",
                                 u"1.",
                                 u"1.2345",
                                 u"1.23456",
                                 u"1.23456.7",
                                 u"1..2",
                                 u"1.2.3.4",
                                 u"1e3",
                                 u"1.5E-3",
                                 u"2.5e1",
                                 u"1e",
                                 u"1.2e+",
                                 u"1e--5",
                                 u"-.5e",
                                 u"--1",
                                 u"1e400",
                                 u"-1e400",
                                 u"1e-400",
                                 u"9223372036854775807",
                                 u"9223372036854775808",
                                 u"-9223372036854775808",
                                 u"-9223372036854775809",
                                 u"123456789012345678901234567890",
                                 u"922337203685477.5807",
                                 u"922337203685477.5808",
                                 u"-922337203685477.5808",
                                 u"0.0000000000000000000000000000001e-300",
                                 u"1e99999999999999999999",
                                 u"12345678901234567890123456789012345678901234567890.1234"}) {
    ExpectSameBothWays(number);
  }
}

TEST(JsonReaderFastPaths, GeneratedNumberCharactersReadTheSameBothWays) {
  // Any run of number characters, well-formed or not.
  static constexpr char16_t kAlphabet[] = u"0123456789012345678901234567890123456789+-.eE";
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> length(1, 24);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 2);
  for (int round = 0; round < 3000; ++round) {
    std::u16string token;
    for (std::size_t n = length(random); n > 0; --n) token.push_back(kAlphabet[pick(random)]);
    // A leading sign or digit, as the reader only starts numbers there.
    if (token[0] == u'.' || token[0] == u'e' || token[0] == u'E' || token[0] == u'+') {
      token[0] = u'-';
    }
    ExpectSameBothWays(token);
  }
}

TEST(JsonReaderFastPaths, KeywordsAndWordsThatStartLikeThemReadTheSameBothWays) {
  for (const char16_t* word :
       {u"true", u"false", u"null", u"tru", u"fals", u"nul", u"truex", u"true.", u"true_",
        u"falsey", u"nullnull", u"True", u"FALSE", u"trUe", u"null\u0101", u"t", u"f", u"n"}) {
    ExpectSameBothWays(word);
  }
}

TEST(JsonReaderFastPaths, KeywordsEndAtTheFirstUnitThatCannotContinueAWord) {
  EXPECT_EQ(Json(ParseJson(u"[true,false,null]")), "[true,false,null]");
  EXPECT_EQ(Json(ParseJson(u"[true ,false\t,null\n]")), "[true,false,null]");
  EXPECT_EQ(Json(ParseJson(u"{\"a\":true}")), R"({"a":true})");
  EXPECT_EQ(Json(ParseJson(u"[true/*c*/]")), "[true]");
  // A digit does not continue a word: the keyword ends and the digit is
  // misplaced.
  EXPECT_EQ(RunReader(u"[true1]").Error, jeArraySeparator);
  EXPECT_EQ(Json(ParseJson(u"[nullx,falsetto]")), R"(["nullx","falsetto"])");
}

// Every member name gets the same treatment with an escape in it (which the
// one-step path leaves to the units) or blanks before its colon.
std::u16string EscapeFirstUnitOfNames(const std::u16string& text) {
  std::u16string out;
  bool inString = false;
  bool escapeNext = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (escapeNext) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += u"\\u00";
      out.push_back(static_cast<char16_t>(kHex[(c >> 4) & 15]));
      out.push_back(static_cast<char16_t>(kHex[c & 15]));
      escapeNext = false;
      continue;
    }
    out.push_back(c);
    if (c == u'"') {
      inString = !inString;
      // An opening quote behind "{" or "," starts a name.
      std::size_t before = out.size() - 1;
      while (before > 0 && out[before - 1] == u' ') --before;
      escapeNext = inString && before > 0 && (out[before - 1] == u'{' || out[before - 1] == u',') &&
                   i + 1 < text.size() && text[i + 1] != u'"' && text[i + 1] < 0x80;
    }
  }
  return out;
}

std::u16string BlankBeforeColons(const std::u16string& text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c == u':') out += u" \t";
    out.push_back(c);
  }
  return out;
}

TEST(JsonReaderFastPaths, NamesReadTheSameWithEscapesOrBlanksBeforeTheColon) {
  const std::vector<std::u16string> documents = {
      u"{\"ab\":1}",
      u"{\"id0\":1,\"name1\":\"v2\",\"price2\":3.5,\"tags3\":[1,2],\"ok4\":{\"x\":true}}",
      u"{\"a\":1,\"a\":2}",
      u"{\"\u010d\u00e1stka\":5,\"b\":null}",
      u"{\"a\": 1, \"b\" :2}",
      u"{\"a\"1}",
      u"{\"a\":}",
      u"{\"a\":1,}",
      u"{\"a\":{\"b\":{\"c\":[{\"d\":0}]}}}",
  };
  for (const std::u16string& document : documents) {
    const std::string label(document.begin(), document.end());
    const TReadOutcome direct = RunReader(document);
    for (const std::u16string& variant :
         {EscapeFirstUnitOfNames(document), BlankBeforeColons(document)}) {
      if (variant == document) continue;  // no name, or no colon
      const TReadOutcome other = RunReader(variant);
      EXPECT_EQ(Json(other.Value), Json(direct.Value)) << label;
      EXPECT_EQ(other.Error, direct.Error) << label;
    }
  }
}

TEST(JsonReaderFastPaths, ExplicitLengthEndingInsideATokenStillFails) {
  const std::u16string text = u"{\"name\":123,\"b\":true}";
  const auto read = [&](std::int32_t length) {
    TJsonTokenizer tokenizer;
    const IJsonValue value =
        ParseJsonCore(tokenizer, text.c_str(), length, false, nullptr, paNone, nullptr, skNull);
    return std::make_pair(Json(value), static_cast<int>(tokenizer.ErrorCode));
  };
  // Behind the name, behind the colon, inside the number, inside the keyword.
  for (const std::int32_t length : {7, 8, 10, 11, 17, 19}) {
    EXPECT_EQ(read(length), std::make_pair(std::string("nil"), int{jeLengthReached})) << length;
  }
  EXPECT_EQ(read(static_cast<std::int32_t>(text.size())),
            std::make_pair(std::string(R"({"b":true,"name":123})"), 0));
}

TEST(JsonReaderFastPaths, TheReaderStopsRightBehindAWholeToken) {
  // Text behind the first value is left alone, and the offset tells where.
  EXPECT_EQ(RunReader(u"123 tail").Offset, 4);
  EXPECT_EQ(RunReader(u"true,").Offset, 4);
  EXPECT_EQ(Json(RunReader(u"-12.5]").Value), "-12.5");
}

// --- A scalar followed at once by the comma or close of its container is added
// without a reader level of its own; a blank, a comment or the end of the text
// behind it sends it through a level. Both ways must build the same document
// and stop at the same place with the same error.

// Copies the text, adding `afterQuote` behind each closing quote and what
// `after(text, i)` gives behind each character i outside quoted strings.
template <typename TAfter>
std::u16string AddOutsideQuotes(std::u16string_view text, std::u16string_view afterQuote,
                                TAfter after) {
  std::u16string out;
  char16_t quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    out += c;
    if (quote) {
      if (c == u'\\') {
        out += text[++i];
      } else if (c == quote) {
        quote = 0;
        out += afterQuote;
      }
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else {
      out += after(text, i);
    }
  }
  return out;
}

// The same text with a blank behind every scalar, which keeps every value off
// the direct way.
std::u16string BlankBehindScalars(std::u16string_view text) {
  return AddOutsideQuotes(text, u" ", [](std::u16string_view t, std::size_t i) {
    const char16_t c = t[i];
    const bool scalarEnds = c != u'{' && c != u'[' && c != u':' && c != u',' && c != u' ' &&
                            i + 1 < t.size() &&
                            (t[i + 1] == u',' || t[i + 1] == u'}' || t[i + 1] == u']');
    return scalarEnds ? u" " : u"";
  });
}

void ExpectSameWithBlanks(std::u16string_view text) {
  const std::u16string blanked = BlankBehindScalars(text);
  const TReadOutcome direct = RunReader(text);
  const TReadOutcome leveled = RunReader(blanked);
  const std::string label(text.begin(), text.end());
  EXPECT_EQ(Json(direct.Value), Json(leveled.Value)) << label;
  EXPECT_EQ(direct.Error, leveled.Error) << label;
}

TEST(JsonReaderScalarInPlace, DocumentsReadTheSameWithABlankBehindEveryScalar) {
  for (const char16_t* text : {
           u"[1,-2,3.25,4.123456,5e3,-0,\"a\",'b',\"\",true,false,null]",
           u"{\"a\":1,\"b\":\"x\",\"c\":true,\"d\":null,\"e\":-7.5,\"f\":'q'}",
           u"{\"a\":[1,[2,[3]],{\"b\":{\"c\":false}}],\"d\":[]}",
           u"[1-2,1..2,1e--5,9223372036854775808,0.00001,\"\\u0041\",\"a\\\"b\"]",
           u"[True,nulls,falsey,truex,nul,bare,.5,+5]",
           u"{\"dup\":1,\"dup\":2,\"dup\":\"last\"}",
           u"[1,,2,]",
           u"{'single':'quoted','x':1,}",
       }) {
    ExpectSameWithBlanks(text);
  }
}

// The same text with a comment behind every bracket, comma and colon; the
// reader then cannot go from one delimiter straight to what follows it.
std::u16string CommentBehindDelimiters(std::u16string_view text) {
  return AddOutsideQuotes(text, u"", [](std::u16string_view t, std::size_t i) {
    const char16_t c = t[i];
    const bool delimiter =
        c == u'{' || c == u'[' || c == u',' || c == u':' || c == u'}' || c == u']';
    return delimiter ? u"/**/" : u"";
  });
}

TEST(JsonReaderScalarInPlace, DocumentsReadTheSameWithCommentsBehindDelimiters) {
  for (const char16_t* text : {
           u"{\"a\":{\"b\":[1,{},[]],\"c\":{\"d\":\"x\"}},\"e\":[[[]]]}",
           u"[{\"a\":1},{\"b\":[true,false]},[],[null],\"s\"]",
           u"{\"a\":1,}",
           u"[1,2,]",
           u"{\"a\":[1,2}",
           u"[{\"a\":1]",
           u"{\"a\" :1,\"b\":}",
       }) {
    const TReadOutcome direct = RunReader(text);
    const TReadOutcome commented = RunReader(CommentBehindDelimiters(text));
    const std::u16string_view view(text);
    EXPECT_EQ(Json(direct.Value), Json(commented.Value)) << std::string(view.begin(), view.end());
    EXPECT_EQ(direct.Error, commented.Error) << std::string(view.begin(), view.end());
  }
}

TEST(JsonReaderScalarInPlace, AnExplicitLengthEndingBehindADelimiterStillFails) {
  const std::u16string text = u"{\"a\":[1,{\"b\":2}],\"c\":3}";
  for (std::size_t length = 0; length < text.size(); ++length) {
    TJsonTokenizer tokenizer;
    const IJsonValue value = ParseJsonCore(tokenizer, text.data(), std::int32_t(length), false,
                                           nullptr, paNone, nullptr, skNull);
    EXPECT_FALSE(value) << length;
    EXPECT_NE(tokenizer.ErrorCode, jeNone) << length;
  }
  TJsonTokenizer tokenizer;
  EXPECT_EQ(Json(ParseJsonCore(tokenizer, text.data(), std::int32_t(text.size()), false, nullptr,
                               paNone, nullptr, skNull)),
            Json(ParseJson(text)));
}

TEST(JsonReaderScalarInPlace, ValuesLandInTheirContainers) {
  const IJsonValue document = ParseJson(u"{\"n\":[1,\"two\",true,null,2.5],\"s\":\"x\"}");
  ASSERT_TRUE(KindIs(document, skObject));
  EXPECT_EQ(Json(document), "{\"s\":\"x\",\"n\":[1,\"two\",true,null,2.5]}");
  const IJsonValue list = document->Get(u"n");
  ASSERT_TRUE(KindIs(list, skArray));
  EXPECT_EQ(list->ArrayStore()->Used(), 5);
  EXPECT_TRUE(KindIs(list->ArrayStore()->ItemAt(3), skNull));
  EXPECT_TRUE(KindIs(list->ArrayStore()->ItemAt(4), skCurrency));
}

TEST(JsonReaderScalarInPlace, UnfinishedOrBrokenDocumentsFailTheSameWithBlanks) {
  for (const char16_t* text : {u"[1", u"{\"a\":1", u"{\"a\":\"x\"", u"[true", u"[1,2", u"[1}",
                               u"{\"a\":1]", u"{\"a\":\"x\"]", u"[null}", u"{\"a\":1,,}"}) {
    const std::u16string_view view(text);
    EXPECT_FALSE(RunReader(view).Value) << std::string(view.begin(), view.end());
    ExpectSameWithBlanks(view);
  }
}

TEST(JsonReaderScalarInPlace, TheDeepestLevelStillRefusesAValue) {
  // Around the depth limit a value inside the innermost array fails (or not)
  // whether or not a blank follows it.
  int refused = 0;
  for (std::size_t depth = 28; depth <= 34; ++depth) {
    const std::u16string open(depth, u'['), close(depth, u']');
    const TReadOutcome direct = RunReader(open + u"1" + close);
    const TReadOutcome leveled = RunReader(open + u"1 " + close);
    EXPECT_EQ(Json(direct.Value), Json(leveled.Value)) << depth;
    EXPECT_EQ(direct.Error, leveled.Error) << depth;
    if (direct.Error == jeTooDeep) ++refused;
  }
  EXPECT_GT(refused, 0);
  EXPECT_TRUE(RunReader(std::u16string(31, u'[') + u"1" + std::u16string(31, u']')).Value);
  EXPECT_EQ(RunReader(std::u16string(32, u'[') + u"1" + std::u16string(32, u']')).Error, jeTooDeep);
}

TEST(JsonReaderScalarInPlace, GeneratedRecordsReadTheSameWithBlanks) {
  // Nested records of short members, as a client's data would look.
  std::uint32_t state = 12345;
  const auto next = [&state](std::uint32_t n) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % n;
  };
  std::u16string text = u"[";
  for (int record = 0; record < 200; ++record) {
    if (record) text += u',';
    text += u"{";
    const std::uint32_t members = 1 + next(6);
    for (std::uint32_t m = 0; m < members; ++m) {
      if (m) text += u',';
      text += u"\"k" + Widen(std::to_string(next(4))) + u"\":";
      switch (next(6)) {
        case 0:
          text += Widen(std::to_string(next(100000)));
          break;
        case 1:
          text +=
              u"-" + Widen(std::to_string(next(1000))) + u"." + Widen(std::to_string(next(100000)));
          break;
        case 2:
          text += u"\"v" + Widen(std::to_string(next(1000))) + u"\"";
          break;
        case 3:
          text += next(2) ? u"true" : u"null";
          break;
        case 4:
          text += u"[" + Widen(std::to_string(next(10))) + u",\"s\",false]";
          break;
        default:
          text += u"{\"in\":" + Widen(std::to_string(next(10))) + u"}";
          break;
      }
    }
    text += u"}";
  }
  text += u"]";
  ExpectSameWithBlanks(text);
}

// --- Long strings: the reader takes a whole string value in one go and the
// escapers skip runs of ordinary units a block at a time. Member names still
// go through the reader's character-by-character states, so a string read as
// a value must come out exactly as the same string read as a name.

// A string body of pieces that stress the run ends: plain runs of every
// length around the block sizes, each kind of escape, raw non-ASCII units.
std::u16string RandomBody(std::mt19937& random, bool withBadEscapes) {
  static const std::u16string kPieces[] = {
      u"\\n",    u"\\t",        u"\\\"", u"\\\\",    u"\\/",     u"\\b",   u"\\f",
      u"\\r",    u"\\q",        u"\\'",  u"\\u010d", u"\\u00E1", u"\\x41", u"\\xfF",
      u"\u010d", u"\U0001F600", u"'",    u"\u00a0",  u"\\u0000"};
  std::u16string body;
  const int pieces = static_cast<int>(random() % 12);
  for (int i = 0; i < pieces; ++i) {
    const std::size_t run = random() % 19;
    for (std::size_t k = 0; k < run; ++k) body.push_back(static_cast<char16_t>(u'a' + k % 26));
    body += kPieces[random() % std::size(kPieces)];
  }
  if (withBadEscapes && random() % 4 == 0) {
    body += random() % 2 ? u"\\u12G4" : u"\\x4";
  }
  return body;
}

TEST(JsonLongString, ValueReadsAsTheSameStringReadAsAName) {
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    const std::u16string body = RandomBody(random, true);
    const TReadOutcome value = RunReader(u"\"" + body + u"\"");
    const TReadOutcome object = RunReader(u"{\"" + body + u"\":1}");
    ASSERT_EQ(value.Error, object.Error) << Json(value.Value);
    if (object.Error != jeNone) continue;
    // Names end at their first U+0000; values keep it.
    const std::u16string& text = value.Value->TextRef();
    const std::u16string name = text.substr(0, text.find(u'\0'));
    ASSERT_TRUE(object.Value->MemberTable()->Lookup(name)) << Json(value.Value);
  }
}

TEST(JsonLongString, EscapesAndEndsAreReadExactly) {
  EXPECT_EQ(Json(ParseJson(u"\"ab\\\"\"")), "\"ab\\\"\"");
  EXPECT_EQ(Json(ParseJson(u"\"ab\\\\\"")), "\"ab\\\\\"");
  EXPECT_EQ(Json(ParseJson(u"'it\\'s'")), "\"it's\"");
  EXPECT_EQ(Json(ParseJson(u"\"\\x41\\u010D\\q\"")), "\"A\\u010dq\"");
  // An escape cut short by the closing quote, a bad hex digit, text that
  // ends inside the string, and U+0000 inside it.
  EXPECT_EQ(RunReader(u"\"ab\\u12\"").Error, jeBadCharacter);
  EXPECT_EQ(RunReader(u"\"ab\\u12G4\"").Error, jeBadCharacter);
  EXPECT_EQ(RunReader(u"\"abc\\\"").Error, jeUnterminated);
  EXPECT_EQ(RunReader(std::u16string(u"\"ab\0cd\"", 7)).Error, jeUnterminated);
}

TEST(JsonLongString, LongParameterWithEscapesReadsWhole) {
  std::u16string text;
  std::u16string json = u"{\"p\":\"";
  for (int i = 0; i < 100000; ++i) {
    text += u"line ";
    json += u"line ";
    if (i % 7 == 0) {
      text += u"\n\u010d";
      json += u"\\n\\u010d";
    }
  }
  json += u"\",\"q\":2}";
  const IJsonValue document = ParseJson(json);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->GetText(u"p"), text);
  EXPECT_EQ(document->GetInt(u"q"), 2);
}

}  // namespace
