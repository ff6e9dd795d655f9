// A scalar followed at once by the comma or close of its container is added
// without a reader level of its own; a blank, a comment or the end of the text
// behind it sends it through a level. Both ways must build the same document
// and stop at the same place with the same error.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "json/json_reader.h"
#include "json/reader_support.h"

namespace {

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

}  // namespace
