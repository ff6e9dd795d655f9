// Long parameters and long replies take bulk paths: the ASCII part of a
// parameter skips the code-page round, and the block cut counts runs of plain
// units at once. Both must give exactly what the unit-by-unit rules give.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "channel/decode_param.h"
#include "channel/reply_block.h"
#include "platform/code_page.h"

namespace {

TEST(LongTextPaths, ParameterWithAsciiPartDecodesAsTheWholeRoundWould) {
  const std::u16string samples[] = {
      u"plain ascii text",
      u"ascii then \u00c4\u0164 (the bytes C4 8D read as ANSI)",
      u"\u00c4\u0164 first",
      u"ascii then a broken sequence \u00c4",
      u"",
  };
  for (const std::u16string& text : samples) {
    EXPECT_EQ(DecodeParam(text), DecodeUtf8Param(WideToThreadAnsi(text)));
  }
  // After any amount of ASCII, a unit that makes the round fail (a lone byte C4 in
  // UTF-8 thread ANSI text) still empties the whole parameter.
  const std::u16string tail = std::u16string(5000, u'a') + char16_t{0xDCC4};
  EXPECT_EQ(DecodeParam(tail), DecodeUtf8Param(WideToThreadAnsi(tail)));
  EXPECT_EQ(DecodeParam(std::u16string(5000, u'a')), std::u16string(5000, u'a'));
}

// Texts of every kind of unit the round treats differently: ASCII, U+0000,
// two- and three-byte letters, units with the top bit set, pairs, lone and
// reversed surrogates and the byte carriers U+DC80..U+DCFF, in short pieces
// so that each appears at every position of the bulk scans.
TEST(LongTextPaths, ParameterWithoutTheRoundDecodesAsTheWholeRoundWould) {
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
    ASSERT_EQ(DecodeParam(text), DecodeUtf8Param(WideToThreadAnsi(text))) << round;
  }
}

std::size_t BlockUnitsOneByOne(std::u16string_view data, std::size_t maxUnits, std::size_t budget) {
  std::size_t used = 0;
  const std::size_t limit = std::min(maxUnits, data.size());
  for (std::size_t i = 0; i < limit; ++i) {
    used += EscapedSize(data[i]);
    if (used > budget) return i;
  }
  return limit;
}

TEST(LongTextPaths, BlockCutMatchesCountingUnitByUnit) {
  std::mt19937 random(5);
  static const char16_t kRare[] = {u'/', u'"', u'\\', u'\n', 0x01, 0x7F, 0x80, 0x010D, 0xD83D};
  for (int i = 0; i < 500; ++i) {
    std::u16string data(random() % 3000, u'x');
    for (char16_t& c : data) {
      c = random() % 10 == 0 ? kRare[random() % std::size(kRare)]
                             : static_cast<char16_t>(u'a' + random() % 26);
    }
    const std::size_t maxUnits = random() % 3200;
    const std::size_t budget = random() % 9000;
    ASSERT_EQ(BlockUnits(data, maxUnits, budget), BlockUnitsOneByOne(data, maxUnits, budget))
        << "size " << data.size() << ", max " << maxUnits << ", budget " << budget;
  }
}

}  // namespace
