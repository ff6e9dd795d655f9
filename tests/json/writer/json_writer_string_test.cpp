#include "json/writer/json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Units(std::size_t count, char16_t unit = u'x') {
  return std::u16string(count, unit);
}

TEST(JsonWriterString, GrowsByDoublingWithSlackBeyondTheRequest) {
  struct TCase {
    std::size_t First, Second;
    std::int32_t Capacity;
  };
  // A fresh sink holds 32 units; the terminator must always fit behind the text.
  for (const TCase c : {TCase{31, 0, 32}, TCase{40, 0, 64}, TCase{100, 0, 108}, TCase{31, 1, 64},
                        TCase{20, 20, 64}, TCase{64, 0, 72}}) {
    TJsonWriterString sink;
    sink.Append(Units(c.First));
    sink.Append(Units(c.Second));
    EXPECT_EQ(sink.Capacity(), c.Capacity) << c.First << "+" << c.Second;
    EXPECT_EQ(sink.CharCount(), static_cast<std::int32_t>(c.First + c.Second));
    EXPECT_LT(sink.CharCount(), sink.Capacity());
    EXPECT_EQ(sink.Chars()[sink.CharCount()], u'\0');
  }
}

TEST(JsonWriterString, KeepsTextAcrossGrowthAndStaysZeroTerminated) {
  TJsonWriterString sink;
  EXPECT_EQ(sink.CharCount(), 0);
  EXPECT_EQ(sink.Capacity(), 32);
  std::u16string expected;
  for (int i = 0; i < 500; ++i) {
    const std::u16string piece = i % 7 ? u"ab" : u"\u00e9\u20ac-run-of-units";
    EXPECT_EQ(sink.Append(piece), static_cast<std::int32_t>(piece.size()));
    expected += piece;
  }
  sink.AppendChar(u'!');
  expected += u'!';
  EXPECT_EQ(sink.Text(), expected);
  EXPECT_EQ(std::u16string(sink.Chars()), expected);
}

TEST(JsonWriterString, AppendTextStopsAtTheFirstZeroButAppendCharsCopiesIt) {
  TJsonWriterString sink;
  EXPECT_EQ(sink.AppendText(u"ab\0cd"), 2);
  EXPECT_EQ(sink.AppendText(nullptr), 0);
  const char16_t withZero[] = {u'x', u'\0', u'y'};
  EXPECT_EQ(sink.AppendChars(withZero, 3), 3);
  EXPECT_EQ(sink.CharCount(), 5);
  EXPECT_EQ(sink.View(), std::u16string_view(u"abx\0y", 5));
  EXPECT_EQ(sink.TextBeforeZero(), u"abx");
}

TEST(JsonWriterString, NonPositiveCountsAppendNothing) {
  TJsonWriterString sink;
  sink.Append(u"abc");
  EXPECT_EQ(sink.AppendChars(u"zzz", 0), 0);
  EXPECT_EQ(sink.AppendChars(u"zzz", -4), -4);
  EXPECT_EQ(sink.Text(), u"abc");
}

TEST(JsonWriterString, ResetEmptiesButKeepsTheGrownBuffer) {
  TJsonWriterString sink;
  sink.Append(Units(40));
  sink.ResetOutput();
  EXPECT_EQ(sink.CharCount(), 0);
  EXPECT_EQ(sink.Capacity(), 64);
  EXPECT_EQ(sink.Chars()[0], u'\0');
  sink.Append(u"q");
  EXPECT_EQ(sink.Text(), u"q");
}

TEST(JsonWriterString, AppendingItsOwnTextWhileGrowingCopiesTheOldContent) {
  TJsonWriterString sink;
  sink.Append(u"0123456789abcdefghijklmnopqrstu");  // 31 of 32: the next append grows
  sink.AppendChars(sink.Chars(), sink.CharCount());
  EXPECT_EQ(sink.Text(), u"0123456789abcdefghijklmnopqrstu0123456789abcdefghijklmnopqrstu");
}

TEST(JsonWriterString, TrimsTrailingLineBreaksAndSpacesButNotTabs) {
  TJsonWriterString sink;
  sink.Append(u"word \t \r\n  ");
  sink.TrimTrailingBlanks();
  EXPECT_EQ(sink.Text(), u"word \t");
  EXPECT_EQ(sink.Chars()[sink.CharCount()], u'\0');

  sink.ResetOutput();
  sink.Append(u" \n ");
  sink.TrimTrailingBlanks();
  EXPECT_EQ(sink.CharCount(), 0);
}

TEST(JsonWriterFake, CountsUnitsAndYieldsTheRunningTotal) {
  TJsonWriterFake fake;
  EXPECT_EQ(fake.Append(u"abc"), 3);
  EXPECT_EQ(fake.AppendText(u"de\0f"), 5);
  EXPECT_EQ(fake.AppendText(nullptr), 5);
  fake.ResetOutput();
  EXPECT_EQ(fake.CharTotal(), 0);
}

}  // namespace
