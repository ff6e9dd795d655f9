// The reader takes a document's numbers, keywords and quoted names in one
// step when they end inside the text, and unit by unit otherwise (a token cut
// off by the end of the text, an escape in a name). Both ways must build the
// same values and fail the same way; these tests read the same tokens both
// ways and compare.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "json/json_reader.h"
#include "json/reader_support.h"

namespace {

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

}  // namespace
