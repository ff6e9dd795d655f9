#include "operations/code_page_text.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

using namespace std::string_literals;

TEST(WideStringToCodePage, EmptyTextGivesEmptyText) {
  EXPECT_EQ(WideStringToCodePage(u"", 1250), "");
  EXPECT_EQ(WideStringToCodePage(u"", 4242), "");
}

TEST(WideStringToCodePage, TheTextEndsAtItsFirstZero) {
  EXPECT_EQ(WideStringToCodePage(u"ab\0cd"s, 1252), "ab");
  EXPECT_EQ(WideStringToCodePage(u"\0cd"s, 1252), "");
}

TEST(WideStringToCodePage, MissingCharactersBecomeTheDefaultCharacter) {
  EXPECT_EQ(WideStringToCodePage(u"\u010Dau \u4E2D", 1250),
            "\xE8"
            "au ?");
  EXPECT_EQ(WideStringToCodePage(u"\u010Dau", 1252), "?au");
}

TEST(WideStringToCodePage, TheResultLengthIsTheConvertedLength) {
  EXPECT_EQ(WideStringToCodePage(u"\u010D\U0001F600", 65001), "\xC4\x8D\xF0\x9F\x98\x80");
}

TEST(WideStringToCodePage, ARefusedCodePageGivesEmptyText) {
  EXPECT_EQ(WideStringToCodePage(u"file.txt", 4242), "");
}

TEST(WideStringToDefaultCodePage, UsesTheAnsiCodePageTakenAtStart) {
  EXPECT_EQ(DefaultCodePage, platform::GetAnsiCodePage());
  EXPECT_EQ(WideStringToDefaultCodePage(u"C:\\tmp\\a.txt"), "C:\\tmp\\a.txt");
  EXPECT_EQ(
      WideStringToDefaultCodePage(u"\u010D"),
      WideStringToCodePage(u"\u010D", static_cast<std::uint16_t>(platform::GetAnsiCodePage())));
}

}  // namespace
