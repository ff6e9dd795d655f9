// The ANSI code page of the POSIX build is UTF-8, and received bytes must
// survive bytes -> wide -> bytes whatever they are.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/code_page.h"

namespace {

void ExpectRoundTrip(const std::string& bytes) {
  EXPECT_EQ(platform::WideToThreadAnsi(platform::ThreadAnsiToWide(bytes)), bytes)
      << "bytes of length " << bytes.size();
}

TEST(ThreadAnsi, IsUtf8WhateverTheEnvironmentSays) {
  EXPECT_EQ(platform::GetAnsiCodePage(), platform::kCodePageUtf8);
  EXPECT_EQ(platform::ThreadAnsiToWide("\xC3\xA1\xC4\x8D"), u"\u00E1\u010D");
  EXPECT_EQ(platform::WideToThreadAnsi(u"\u00E1\u010D\U0001F600"),
            "\xC3\xA1\xC4\x8D\xF0\x9F\x98\x80");
}

TEST(ThreadAnsi, IllFormedBytesComeBackUnchanged) {
  const char* const samples[] = {
      "\x80",                  // a continuation byte alone
      "\xC3",                  // a cut sequence at the end
      "\xC3(",                 // a lead byte without continuation
      "\xE2\x82",              // a three-byte sequence cut short
      "\xC0\xAF",              // an overlong form
      "\xE0\x80\xAF",          // an overlong three-byte form
      "\xED\xA0\x80",          // an encoded high surrogate
      "\xED\xB2\x80",          // an encoded low surrogate
      "\xF4\x90\x80\x80",      // above U+10FFFF
      "\xF8\x88\x80\x80\x80",  // a five-byte form
      "\xFE\xFF",
      "ok\xC3\xA1\xFFok",
  };
  for (const char* sample : samples) ExpectRoundTrip(sample);
}

TEST(ThreadAnsi, EveryByteAndEveryPairOfBytesComesBackUnchanged) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) ExpectRoundTrip({static_cast<char>(a), static_cast<char>(b)});
  }
}

TEST(ThreadAnsi, RandomBytesComeBackUnchanged) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 64);
  for (int i = 0; i < 20000; ++i) {
    std::string bytes(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    ExpectRoundTrip(bytes);
  }
}

TEST(ThreadAnsi, AsciiRunsOfAnyLengthAroundOtherBytes) {
  // Long ASCII runs take a faster path; what surrounds them must not shift.
  for (std::size_t before = 0; before < 20; ++before) {
    for (std::size_t after = 0; after < 20; ++after) {
      const std::string bytes = std::string(before, 'a') + "\xC3\xA1\xFF" + std::string(after, 'z');
      const std::u16string wide = platform::ThreadAnsiToWide(bytes);
      EXPECT_EQ(wide, std::u16string(before, u'a') + u"\u00E1\xDCFF" + std::u16string(after, u'z'));
      EXPECT_EQ(platform::WideToThreadAnsi(wide), bytes);
    }
  }
}

TEST(ThreadAnsi, BadBytesBecomeLoneLowSurrogatesAndOtherLoneSurrogatesAReplacement) {
  EXPECT_EQ(platform::ThreadAnsiToWide("a\x80\xFF"), u"a\xDC80\xDCFF");
  EXPECT_EQ(platform::WideToThreadAnsi(u"\xDC80"), "\x80");
  EXPECT_EQ(platform::WideToThreadAnsi(u"\xD800"), "\xEF\xBF\xBD");
  EXPECT_EQ(platform::WideToThreadAnsi(u"\xDC7F"), "\xEF\xBF\xBD");
  EXPECT_EQ(platform::WideToThreadAnsi(std::u16string(u"\0", 1)), std::string("\0", 1));
}

}  // namespace
