// Decoding parameters: what the browser sent, byte form by byte form.
#include "channel/decode_param.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

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
  EXPECT_EQ(DecodeParam(platform::ThreadAnsiToWide("\xC4\x8D\xE2\x82\xAC")), u"\u010d\u20ac");
  if (platform::GetAnsiCodePage() == platform::kCodePageUtf8) {
    EXPECT_EQ(DecodeParam(u"\u010d\u20ac"), u"\u010d\u20ac");
    EXPECT_EQ(DecodeParam(u"\xD83D\xDE00"), u"\xD83D\xDE00");
  }
}

// --- Long parameters take bulk paths: the ASCII part of a parameter skips the
// code-page round. They must give exactly what the unit-by-unit rules give.

TEST(DecodeParam, ParameterWithAsciiPartDecodesAsTheWholeRoundWould) {
  const std::u16string samples[] = {
      u"plain ascii text",
      u"ascii then \u00c4\u0164 (the bytes C4 8D read as ANSI)",
      u"\u00c4\u0164 first",
      u"ascii then a broken sequence \u00c4",
      u"",
  };
  for (const std::u16string& text : samples) {
    EXPECT_EQ(DecodeParam(text), DecodeUtf8Param(platform::WideToThreadAnsi(text)));
  }
  // After any amount of ASCII, a unit that makes the round fail (a lone byte C4 in
  // UTF-8 thread ANSI text) still empties the whole parameter.
  const std::u16string tail = std::u16string(5000, u'a') + char16_t{0xDCC4};
  EXPECT_EQ(DecodeParam(tail), DecodeUtf8Param(platform::WideToThreadAnsi(tail)));
  EXPECT_EQ(DecodeParam(std::u16string(5000, u'a')), std::u16string(5000, u'a'));
}

// Texts of every kind of unit the round treats differently: ASCII, U+0000,
// two- and three-byte letters, units with the top bit set, pairs, lone and
// reversed surrogates and the byte carriers U+DC80..U+DCFF, in short pieces
// so that each appears at every position of the bulk scans.
TEST(DecodeParam, ParameterWithoutTheRoundDecodesAsTheWholeRoundWould) {
  const std::u16string pieces[] = {u"a",           u"plain words ", std::u16string(1, u'\0'),
                                   u"\u010d",      u"\u00e9\u0159", u"\u20ac",
                                   u"\u8000",      u"\uFFFF",       u"\xD83D\xDE00",
                                   u"\xD83D",      u"\xDE00",       u"\xDE00\xD83D",
                                   u"\xDC80",      u"\xDCC4",       u"\xDCFF",
                                   u"\xDBFF\xDFFF"};
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const std::size_t count = random() % 24;
    // Mostly clean texts, so that the quick path is taken often.
    const std::size_t kinds = round % 2 == 0 ? 9 : std::size(pieces);
    for (std::size_t k = 0; k < count; ++k) text += pieces[random() % kinds];
    ASSERT_EQ(DecodeParam(text), DecodeUtf8Param(platform::WideToThreadAnsi(text))) << round;
  }
}

}  // namespace
