// The UTF-8 conversions handle ASCII runs in bulk and grow their output for
// what follows; runs of every length, mixed with longer sequences, must
// convert exactly as unit by unit.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/code_page.h"

namespace {

TEST(Utf8Runs, MixedTextConvertsBothWaysAtEveryRunLength) {
  std::mt19937 random(3);
  static const std::u16string kOthers[] = {
      u"\u00e1", u"\u010d", u"\u20ac", u"\U0001F600", std::u16string(1, char16_t{0xDC80}),
      u"\uFFFF"};
  for (int i = 0; i < 2000; ++i) {
    std::u16string text;
    std::string bytes;
    const int pieces = static_cast<int>(random() % 8);
    for (int p = 0; p < pieces; ++p) {
      const std::size_t run = random() % 20;
      for (std::size_t k = 0; k < run; ++k) {
        text.push_back(static_cast<char16_t>(u'0' + k % 40));
        bytes.push_back(static_cast<char>('0' + k % 40));
      }
      const std::u16string& other = kOthers[random() % std::size(kOthers)];
      text += other;
      // U+DC80 stands for the lone byte 80 in thread ANSI text.
      bytes += other[0] == 0xDC80 ? std::string("\x80") : WideToThreadAnsi(other);
    }
    ASSERT_EQ(WideToThreadAnsi(text), bytes);
    ASSERT_EQ(ThreadAnsiToWide(bytes), text);
  }
}

TEST(Utf8Runs, OutputGrowsForTextOfLongSequencesOnly) {
  const std::u16string euros(100000, u'\u20ac');
  std::string expected;
  for (int i = 0; i < 100000; ++i) expected += "\xE2\x82\xAC";
  EXPECT_EQ(WideToThreadAnsi(euros), expected);
  EXPECT_EQ(ThreadAnsiToWide(expected), euros);
  EXPECT_EQ(WideToThreadAnsi(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

}  // namespace
