// Code pages as Windows converts them, seen from the host: what a file name becomes in the
// ANSI code page, and what intake makes of the browser's bytes on a Czech system.
#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

std::string ToCodePage(std::u16string_view text, std::uint32_t codePage) {
  return platform::ConvertWideToCodePage(text, codePage).value_or("<refused>");
}

TEST(WindowsCodePages, UTF8TakesNoConversionFlagsYetConvertsAll) {
  // The system refuses the composite-check flags for UTF-8; the conversion must not fail
  // (a file-size request would otherwise read as "File not passed").
  EXPECT_EQ(ToCodePage(u"p\u0159\u00edloha \U0001F600", platform::kCodePageUtf8),
            "p\xC5\x99\xC3\xADloha \xF0\x9F\x98\x80");
  EXPECT_EQ(ToCodePage(std::u16string(u"a\0b", 3), platform::kCodePageUtf8),
            std::string("a\0b", 3));
}

TEST(WindowsCodePages, NoLookAlikeStandsInForAMissingCharacter) {
  // Best fit would turn these into "e", "n" and "A": another file's name.
  EXPECT_EQ(ToCodePage(u"\u00E8\u00F1\u0100", 1250), "???");
  EXPECT_EQ(ToCodePage(u"\u010D\u0159", 1252), "??");
}

TEST(WindowsCodePages, ADecomposedLetterIsLookedUpAsOne) {
  // e + combining acute is the single byte of é where the code page has it.
  EXPECT_EQ(ToCodePage(u"e\u0301", 1250), "\xE9");
  EXPECT_EQ(ToCodePage(u"c\u030C", 1250), "\xE8");
}

TEST(WindowsCodePages, DoubleByteCodePagesGiveMoreBytesThanCharacters) {
  const std::string shiftJis = ToCodePage(u"\u65E5\u672C", 932);
  EXPECT_EQ(shiftJis, "\x93\xFA\x96\x7B");
}

class CzechSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::GetAnsiCodePage() != platform::kCodePageWindows1250) {
      GTEST_SKIP() << "the tests run with ANSI code page " << platform::GetAnsiCodePage()
                   << ", not 1250";
    }
  }
};

TEST_F(CzechSystem, IntakeKeepsEveryByteOfTheBrowsersUtf8) {
  // U+010D arrives as C4 8D, becomes two characters of code page 1250 and goes back intact.
  EXPECT_EQ(platform::ThreadAnsiToWide("\xC4\x8D"), u"\u00C4\u0164");
  EXPECT_EQ(platform::WideToThreadAnsi(u"\u00C4\u0164"), "\xC4\x8D");
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(platform::WideToThreadAnsi(platform::ThreadAnsiToWide(every)), every);
}

TEST_F(CzechSystem, FileNamesAndMethodNamesAreCzechText) {
  EXPECT_EQ(ToCodePage(u"p\u0159\u00edloha.pdf", 0), "p\xF8\xEDloha.pdf");
  EXPECT_EQ(platform::AnsiUpperCase("getfilesize \xE8"), "GETFILESIZE \xC8");
}

}  // namespace
