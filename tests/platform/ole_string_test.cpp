#include "platform/ole_string.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(OleStringTest, NullIsTheEmptyString) {
  EXPECT_EQ(platform::SysStringLen(nullptr), 0u);
  platform::SysFreeString(nullptr);
}

}  // namespace
