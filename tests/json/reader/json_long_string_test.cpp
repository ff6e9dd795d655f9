// Long strings: the reader takes a whole string value in one go and the
// escapers skip runs of ordinary units a block at a time. Member names still
// go through the reader's character-by-character states, so a string read as
// a value must come out exactly as the same string read as a name.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "json/jsonvalue.h"
#include "reader_support.h"

namespace {

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

// Full escaping, one unit at a time, as the writer's rules say.
std::u16string EscapeOneByOne(std::u16string_view text) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string out;
  for (const char16_t c : text) {
    const char16_t shortForm = c == u'"'    ? u'"'
                               : c == u'\\' ? u'\\'
                               : c == u'/'  ? u'/'
                               : c == u'\b' ? u'b'
                               : c == u'\t' ? u't'
                               : c == u'\n' ? u'n'
                               : c == u'\f' ? u'f'
                               : c == u'\r' ? u'r'
                                            : 0;
    if (shortForm) {
      out += u'\\';
      out += shortForm;
    } else if (c < 0x20 || c > 0x7F) {
      out += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

TEST(JsonLongString, EscapedTextMatchesEscapingOneUnitAtATime) {
  std::mt19937 random(11);
  static const char16_t kRare[] = {u'"', u'\\', u'/', u'\n',  0x01,   0x1F,
                                   0x7F, 0x80,  0x00, 0x010D, 0xD83D, 0xFFFF};
  for (int i = 0; i < 200; ++i) {
    // Lengths across the block sizes and the writer's gathering buffer.
    std::u16string text(random() % 5000, u'x');
    for (char16_t& c : text) {
      const unsigned pick = random() % 16;
      c = pick < 2 ? kRare[random() % std::size(kRare)]
                   : static_cast<char16_t>(u' ' + random() % 95);
    }
    const IJsonValue value = TJsonValue::CreateText(text);
    ASSERT_EQ(value->ToJsonText(false, true), u"\"" + EscapeOneByOne(text) + u"\"");
    ASSERT_EQ(ParseJson(value->ToJsonText(false, false))->TextRef(), text);
  }
}

}  // namespace
