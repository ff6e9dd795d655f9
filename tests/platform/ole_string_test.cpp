#include "platform/ole_string.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(OleStringTest, KeepsItsLengthAndAZeroTerminator) {
  const std::u16string text(u"a\0\u010d\U0001F600", 5);
  platform::TBstr copy = platform::SysAllocStringLen(text.data(), 5);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(platform::SysStringLen(copy), 5u);
  EXPECT_EQ(std::u16string(copy, 5), text);
  EXPECT_EQ(copy[5], u'\0');
  platform::SysFreeString(copy);

  platform::TBstr zeros = platform::SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(std::u16string(zeros, 4), std::u16string(4, u'\0'));
  platform::SysFreeString(zeros);

  platform::TBstr empty = platform::SysAllocStringLen(u"", 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(platform::SysStringLen(empty), 0u);
  platform::SysFreeString(empty);
}

TEST(OleStringTest, LongStringsAreZerosOrTheirCopyLikeShortOnes) {
  // Long enough to take memory of its own from the system.
  constexpr std::uint32_t kLength = 6 * 1024 * 1024;
  platform::TBstr zeros = platform::SysAllocStringLen(nullptr, kLength);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(platform::SysStringLen(zeros), kLength);
  EXPECT_EQ(std::u16string_view(zeros, kLength + 1).find_first_not_of(u'\0'),
            std::u16string_view::npos);

  std::u16string text(kLength, u'x');
  text[kLength / 2] = u'\u010d';
  platform::TBstr copy = platform::SysAllocStringLen(text.data(), kLength);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::u16string_view(copy, kLength), text);
  EXPECT_EQ(copy[kLength], u'\0');

  // Strings freed and made again reuse memory that is not zero any more.
  platform::SysFreeString(copy);
  platform::SysFreeString(zeros);
  platform::TBstr again = platform::SysAllocStringLen(nullptr, kLength);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(std::u16string_view(again, kLength + 1).find_first_not_of(u'\0'),
            std::u16string_view::npos);
  platform::SysFreeString(again);
}

TEST(OleStringTest, NullIsTheEmptyString) {
  EXPECT_EQ(platform::SysStringLen(nullptr), 0u);
  platform::SysFreeString(nullptr);
}

}  // namespace
