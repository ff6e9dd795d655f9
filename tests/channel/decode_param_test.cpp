// Decoding parameters: what the browser sent, byte form by byte form.
#include "channel/decode_param.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

TEST(DecodeParam, DecodesOneTwoThreeAndFourByteSequences) {
  EXPECT_EQ(DecodeUtf8Param("abc"), u"abc");
  EXPECT_EQ(DecodeUtf8Param("\xC4\x8D"), u"\u010d");
  EXPECT_EQ(DecodeUtf8Param("\xE2\x82\xAC"), u"\u20ac");
  EXPECT_EQ(DecodeUtf8Param("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(DecodeUtf8Param("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");
  EXPECT_EQ(DecodeUtf8Param(""), u"");
}

TEST(DecodeParam, AcceptsOverlongFormsAsTheyDecode) {
  EXPECT_EQ(DecodeUtf8Param("\xC0\xAF"), u"/");
  EXPECT_EQ(DecodeUtf8Param("\xE0\x80\xAF"), u"/");
}

TEST(DecodeParam, AnyBrokenSequenceEmptiesTheWholeParameter) {
  EXPECT_EQ(DecodeUtf8Param("ok\xC4"), u"");  // cut short
  EXPECT_EQ(DecodeUtf8Param("\xC4x"), u"");   // no continuation
  EXPECT_EQ(DecodeUtf8Param("\xE2\x82x"), u"");
  // Beyond U+10FFFF or below U+10000 a four-byte form is not a code point:
  // read by the three-byte rule, its last byte then starts a broken sequence.
  EXPECT_EQ(DecodeUtf8Param("\xF4\x90\x80\x80"), u"");
  EXPECT_EQ(DecodeUtf8Param("\xF0\x8F\xBF\xBF"), u"");
}

TEST(DecodeParam, AFourByteLeadWithoutFourBytesIsReadByTheThreeByteRule) {
  EXPECT_EQ(DecodeUtf8Param("\xF0\x9F\x98"), u"\x07D8");
  EXPECT_EQ(DecodeUtf8Param("\xF0\x9F\x98x"), u"\x07D8x");
}

TEST(DecodeParam, AStrayContinuationByteStartsATwoByteSequence) {
  EXPECT_EQ(DecodeUtf8Param("\x81\x81"), u"\u0041");
  EXPECT_EQ(DecodeUtf8Param("\xA1\x81\x81"), u"\u1041");
}

TEST(DecodeParam, ReadsTheBytesTheThreadCodePageGaveTheWideText) {
  // Whatever the ANSI code page, the browser's UTF-8 comes back from the wide text that
  // intake made of it.
  EXPECT_EQ(DecodeParam(ThreadAnsiToWide("\xC4\x8D\xE2\x82\xAC")), u"\u010d\u20ac");
  if (GetAnsiCodePage() == kCodePageUtf8) {
    EXPECT_EQ(DecodeParam(u"\u010d\u20ac"), u"\u010d\u20ac");
    EXPECT_EQ(DecodeParam(u"\xD83D\xDE00"), u"\xD83D\xDE00");
  }
}

}  // namespace
