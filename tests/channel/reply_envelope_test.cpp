// The reply envelope alone: the body made from the reply's parts and the
// front of the text that waits.
#include "channel/reply_envelope.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MakeReplyBody, TakesTheFrontOfWhatWaitsAndSaysWhetherMoreIsLeft) {
  struct TCase {
    std::u16string Pending;
    std::size_t MaxUnits;
    std::string Data;  // as escaped in the body
    std::size_t Units;
    int HasNextPart;
  };
  const TCase cases[] = {
      {u"", 5, "", 0, 0},
      {u"abc", 5, "abc", 3, 0},
      {u"abcdef", 3, "abc", 3, 1},
      {u"a/\u010d\n", 10, R"(a\/\u010d\n)", 4, 0},
      {u"ab\xD83D\xDE00", 3, R"(ab\ud83d)", 3, 1},
  };
  for (const TCase& c : cases) {
    const TReplyBody body = MakeReplyBody({9, "Sign", -2, u"chyba \u010d"}, c.Pending, c.MaxUnits);
    EXPECT_EQ(body.Text, R"({"metoda":"Sign","result":{"data":")" + c.Data + R"(","hasNextPart":)" +
                             std::to_string(c.HasNextPart) +
                             R"(},"errNo":-2,"tabID":9,"errMsg":"chyba \u010d"})");
    EXPECT_EQ(body.DataUnits, c.Units);
  }
}

TEST(MakeReplyBody, NeverGrowsPastWhatABrowserAccepts) {
  const std::u16string huge(400000, u'\u010d');  // six bytes each once escaped
  const TReplyBody body = MakeReplyBody({1, std::string(300000, 'M'), 0, huge}, huge, huge.size());
  EXPECT_LE(body.Text.size(), kMaxReplyBytes);
  EXPECT_GT(body.Text.size() + 6, kMaxReplyBytes);
  EXPECT_GT(body.DataUnits, 0u);
  EXPECT_LT(body.DataUnits, huge.size());
}

}  // namespace
