#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

class SingleByteCodePage : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SingleByteCodePage, EveryByteHasItsOwnUnitAndComesBack) {
  const auto wide = platform::ConvertCodePageToWide(AllBytes(), GetParam());
  ASSERT_TRUE(wide.has_value());
  ASSERT_EQ(wide->size(), 256u);
  EXPECT_EQ(std::set<char16_t>(wide->begin(), wide->end()).size(), 256u);

  const auto bytes = platform::ConvertWideToCodePage(*wide, GetParam());
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, AllBytes());
}

TEST_P(SingleByteCodePage, UnitsTheCodePageLacksBecomeTheDefaultCharacter) {
  // U+4E2D is in neither; the emoji is one character in two units.
  EXPECT_EQ(platform::ConvertWideToCodePage(u"a\u4E2Db", GetParam()), "a?b");
  EXPECT_EQ(platform::ConvertWideToCodePage(u"a\U0001F600b", GetParam()), "a?b");
  EXPECT_EQ(platform::ConvertWideToCodePage(u"\xD800x\xDC00", GetParam()), "?x?");
}

TEST_P(SingleByteCodePage, ZeroUnitsAreConvertedLikeAnyOther) {
  const std::u16string text(u"a\0b", 3);
  EXPECT_EQ(platform::ConvertWideToCodePage(text, GetParam()), std::string("a\0b", 3));
}

INSTANTIATE_TEST_SUITE_P(Windows, SingleByteCodePage,
                         ::testing::Values(platform::kCodePageWindows1250,
                                           platform::kCodePageWindows1252));

TEST(CodePage1252, UndefinedBytesMapToTheControlOfTheSameValue) {
  EXPECT_EQ(platform::ConvertCodePageToWide("\x80\x81\x8D\x8F\x90\x9D\x9F\xE9", 1252),
            u"\u20AC\u0081\u008D\u008F\u0090\u009D\u0178\u00E9");
  EXPECT_EQ(platform::ConvertWideToCodePage(u"\u20AC\u0081\u0178\u00E9", 1252), "\x80\x81\x9F\xE9");
  // Central European letters are not in the Western code page.
  EXPECT_EQ(platform::ConvertWideToCodePage(u"\u010D\u0164", 1252), "??");
}

TEST(CodePage1250, CzechLettersAndUndefinedBytes) {
  EXPECT_EQ(platform::ConvertCodePageToWide("\x8A\x8D\x9E\xE8\xF8\xEC\x81\x83\x88\x90\x98", 1250),
            u"\u0160\u0164\u017E\u010D\u0159\u011B\u0081\u0083\u0088\u0090\u0098");
  EXPECT_EQ(platform::ConvertWideToCodePage(u"P\u0159ijato \u017Elu\u0165ou\u010Dk\u00FD", 1250),
            "P\xF8ijato \x9Elu\x9Dou\xE8k\xFD");
  // Western letters that 1250 lacks.
  EXPECT_EQ(platform::ConvertWideToCodePage(u"\u00E8\u00F1", 1250), "??");
}

TEST(CodePage1250, UtfEightBytesSurviveTheDetourThroughWideText) {
  // U+010D arrives from the browser as C4 8D; read in 1250 they are two
  // characters, which turn back into the same two bytes.
  const auto wide = platform::ConvertCodePageToWide("\xC4\x8D", 1250);
  EXPECT_EQ(wide, u"\u00C4\u0164");
  EXPECT_EQ(platform::ConvertWideToCodePage(*wide, 1250), "\xC4\x8D");
}

TEST(CodePageUtf8, WellFormedTextBothWays) {
  const std::u16string text = u"\u010D\u00E1 a \U0001F600 \uFFFF";
  const auto bytes = platform::ConvertWideToCodePage(text, platform::kCodePageUtf8);
  EXPECT_EQ(bytes, "\xC4\x8D\xC3\xA1 a \xF0\x9F\x98\x80 \xEF\xBF\xBF");
  EXPECT_EQ(platform::ConvertCodePageToWide(*bytes, platform::kCodePageUtf8), text);
}

TEST(CodePageUtf8, LoneSurrogatesAndBadBytesBecomeTheReplacementCharacter) {
  EXPECT_EQ(platform::ConvertWideToCodePage(u"a\xD800", platform::kCodePageUtf8), "a\xEF\xBF\xBD");
  EXPECT_EQ(platform::ConvertWideToCodePage(u"\xDC80z", platform::kCodePageUtf8), "\xEF\xBF\xBDz");
  EXPECT_EQ(platform::ConvertCodePageToWide("a\xFF"
                                            "b",
                                            platform::kCodePageUtf8),
            u"a\uFFFDb");
}

TEST(CodePage, UnknownCodePagesAreRefused) {
  EXPECT_FALSE(platform::ConvertWideToCodePage(u"abc", 4242).has_value());
  EXPECT_FALSE(platform::ConvertCodePageToWide("abc", 4242).has_value());
}

TEST(AnsiUpperCase, UpperCasesAsciiLettersAndKeepsTheLength) {
  EXPECT_EQ(platform::AnsiUpperCase("getNextBlock_9"), "GETNEXTBLOCK_9");
  EXPECT_EQ(platform::AnsiUpperCase("").size(), 0u);
  EXPECT_EQ(platform::AnsiUpperCase("\xC4\x8D").size(), 2u);
}

}  // namespace

// Text that is signed: bytes exactly, or the place of the first character that has none.
struct TExactCase {
  const char* Name;
  std::uint32_t CodePage;
  std::u16string Text;
  platform::TExactBytes::TResult Result;
  std::string Bytes;
  std::size_t Position;
};

void PrintTo(const TExactCase& c, std::ostream* out) { *out << c.Name; }

class ExactConversion : public ::testing::TestWithParam<TExactCase> {};

TEST_P(ExactConversion, RefusesInsteadOfSubstituting) {
  const TExactCase& c = GetParam();
  const platform::TExactBytes got = platform::ConvertWideToCodePageExactly(c.Text, c.CodePage);
  EXPECT_EQ(got.Result, c.Result);
  EXPECT_EQ(got.Bytes, c.Bytes);
  if (c.Result == platform::TExactBytes::erUnrepresentable) {
    EXPECT_EQ(got.Position, c.Position);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ExactConversion,
    ::testing::Values(
        TExactCase{"Utf8EmojiAndZero", 65001, std::u16string(u"\u010D\0\U0001F600", 4),
                   platform::TExactBytes::erConverted, std::string("\xC4\x8D\0\xF0\x9F\x98\x80", 7),
                   0},
        TExactCase{"Utf8LoneSurrogate", 65001, u"ab\xDC00",
                   platform::TExactBytes::erUnrepresentable, "", 2},
        TExactCase{"Utf8PairHalfAtEnd", 65001, u"a\xD83D", platform::TExactBytes::erUnrepresentable,
                   "", 1},
        TExactCase{"Cp1250Czech", 1250, u"\u017Elu\u0165ou\u010Dk\u00FD",
                   platform::TExactBytes::erConverted, "\x9Elu\x9Dou\xE8k\xFD", 0},
        TExactCase{"Cp1250Emoji", 1250, u"ok \U0001F600", platform::TExactBytes::erUnrepresentable,
                   "", 3},
        TExactCase{"Cp1252Czech", 1252, u"\u00E9\u010D", platform::TExactBytes::erUnrepresentable,
                   "", 1},
        TExactCase{"Cp1252QuestionMarkItself", 1252, u"?\u20AC", platform::TExactBytes::erConverted,
                   "?\x80", 0},
        TExactCase{"NoSuchCodePage", 54321, u"a", platform::TExactBytes::erUnknownCodePage, "", 0}),
    [](const auto& info) { return std::string(info.param.Name); });
