// The UTF-8 conversions handle ASCII runs in bulk and grow their output for
// what follows; runs of every length, mixed with longer sequences, must
// convert exactly as unit by unit.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/text/utf8_reference.h"

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
      // U+DC80 stands for the lone byte 80 in the escaping mode.
      bytes += other[0] == 0xDC80 ? std::string("\x80") : EncodeEscaped(other);
    }
    ASSERT_EQ(EncodeEscaped(text), bytes);
    ASSERT_EQ(DecodeEscaped(bytes), text);
  }
}

// Czech-like bytes, where ASCII and two-byte letters alternate every few
// bytes, with every kind of fault among them: leads C0/C1, lone continuation
// bytes, leads without their continuation (also at the very end), longer
// sequences and their overlong forms.
TEST(Utf8Runs, MixedOneAndTwoByteTextDecodesByTheTable) {
  static const std::string kPieces[] = {"a",
                                        "slovo ",
                                        "\xC3\xA1",
                                        "\xC4\x8D",
                                        "\xC5\xBE",
                                        "\xC2\x80",
                                        "\xDF\xBF",
                                        "\xC0\xAF",
                                        "\xC1\xBF",
                                        "\x80",
                                        "\xBF",
                                        "\xC4",
                                        "\xDF",
                                        "\xE2\x82\xAC",
                                        "\xE0\x80\x80",
                                        "\xED\xA0\x80",
                                        "\xF0\x9F\x98\x80",
                                        "\xF8",
                                        "\xFF"};
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    std::string bytes;
    const std::size_t count = random() % 40;
    // Half the texts hold only ASCII and well-formed two-byte letters.
    const std::size_t kinds = round % 2 == 0 ? 7 : std::size(kPieces);
    for (std::size_t k = 0; k < count; ++k) bytes += kPieces[random() % kinds];
    ASSERT_EQ(DecodeEscaped(bytes), DecodeByTheTable(bytes)) << round;
    ASSERT_EQ(EncodeEscaped(DecodeEscaped(bytes)), bytes) << round;
  }
}

// ASCII goes sixteen units at a time: a unit that is not ASCII at any place
// of a block, including those whose high byte alone is set and those above
// U+7FFF, must end the run there.
TEST(Utf8Runs, AsciiRunsEndAtTheFirstOtherUnitWhereverItFalls) {
  const std::u16string kOthers[] = {u"\u0080",     u"\u00ff", u"\u0100",
                                    u"\u017e",     u"\u7fff", u"\u8000",
                                    u"\U0001F600", u"\uFFFF", std::u16string(1, char16_t{0xDC80})};
  std::string letters;
  for (int k = 0; k < 40; ++k) letters.push_back(static_cast<char>('A' + k % 26));
  for (std::size_t run = 0; run <= letters.size(); ++run) {
    for (const std::u16string& other : kOthers) {
      const std::string ascii = letters.substr(0, run);
      const std::u16string wideAscii(ascii.begin(), ascii.end());
      const std::u16string text = wideAscii + other + wideAscii;
      // The other unit alone takes the unit-by-unit path.
      const std::string bytes = ascii + EncodeEscaped(other) + ascii;
      ASSERT_EQ(EncodeEscaped(text), bytes) << run;
      ASSERT_EQ(DecodeEscaped(bytes), DecodeByTheTable(bytes)) << run;
      ASSERT_EQ(DecodeEscaped(ascii + "\xC4\x8D" + ascii), wideAscii + u"\u010d" + wideAscii);
    }
  }
}

TEST(Utf8Runs, OutputGrowsForTextOfLongSequencesOnly) {
  const std::u16string euros(100000, u'\u20ac');
  std::string expected;
  for (int i = 0; i < 100000; ++i) expected += "\xE2\x82\xAC";
  EXPECT_EQ(EncodeEscaped(euros), expected);
  EXPECT_EQ(DecodeEscaped(expected), euros);
  EXPECT_EQ(EncodeEscaped(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

}  // namespace
