// Each carried code page converts through its own table both ways: a page added to the list,
// here a made-up one beside the real two, must not borrow another page's way back.
#include "platform/posix/single_byte_code_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The Windows-1250 high half turned round, so that almost no byte means what it means in either
// real page.
platform::THighHalf MadeUpHighHalf() {
  platform::THighHalf high = platform::FindSingleByteCodePage(1250)->HighHalf;
  for (std::size_t i = 0; i < high.size() / 2; ++i) std::swap(high[i], high[high.size() - 1 - i]);
  return high;
}
const platform::THighHalf kMadeUp = MadeUpHighHalf();
const platform::TSingleByteCodePage kMadeUpPage(4242, kMadeUp, '#');

class CarriedCodePage : public ::testing::TestWithParam<const platform::TSingleByteCodePage*> {};

TEST_P(CarriedCodePage, EveryByteComesBackThroughThePagesOwnTable) {
  const platform::TSingleByteCodePage& page = *GetParam();
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::u16string wide = platform::DecodeSingleByte(bytes, page);
  EXPECT_EQ(wide[0x80], page.HighHalf[0]);
  EXPECT_EQ(platform::EncodeSingleByte(wide, page), bytes);
  EXPECT_EQ(platform::EncodeSingleByte(u"a\u4E2D\U0001F600", page),
            std::string("a") + page.DefaultChar + page.DefaultChar);
}

INSTANTIATE_TEST_SUITE_P(RealAndMadeUp, CarriedCodePage,
                         ::testing::Values(platform::FindSingleByteCodePage(1250),
                                           platform::FindSingleByteCodePage(1252), &kMadeUpPage));

}  // namespace
