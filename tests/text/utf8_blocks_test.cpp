// The block decoder takes sixteen bytes at a time and must give exactly the
// units of the plain decoder, stop only on sequence boundaries, and write
// nothing past the room it was given, whatever the bytes and wherever a
// fault falls in or across a block.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/text/utf8_reference.h"
#include "text/utf8_blocks.h"

namespace {

constexpr char16_t kUntouched = 0xABCD;

// Runs the block decoder over bytes with room for exactly bytes.size() units
// and checks what it did against the plain decoder.
void ExpectBlocksDecodeLikeTheTable(const std::string& bytes) {
  std::vector<char16_t> room(bytes.size() + 16, kUntouched);
  char16_t* out = room.data();
  const std::size_t used = DecodeOneAndTwoByteBlocks(bytes.data(), bytes.size(), out);
  ASSERT_LE(used, bytes.size());
  const std::string prefix = bytes.substr(0, used);
  const std::u16string written(room.data(), out);
  ASSERT_EQ(written, DecodeByTheTable(prefix));
  // It stopped between sequences: the rest decodes on its own to the rest of
  // the whole text's units.
  ASSERT_EQ(written + DecodeByTheTable(bytes.substr(used)), DecodeByTheTable(bytes));
  for (std::size_t k = bytes.size(); k < room.size(); ++k) ASSERT_EQ(room[k], kUntouched) << k;
  // And the whole conversion, which uses it among others, agrees too.
  ASSERT_EQ(DecodeEscaped(bytes), DecodeByTheTable(bytes));
}

const std::string kFaults[] = {
    "\xE2\x82\xAC",      // three bytes
    "\xF0\x9F\x98\x80",  // four bytes
    "\xE2\x82",          // cut three-byte sequence
    "\xF0\x9F\x98",      // cut four-byte sequence
    "\xC4",              // a lead without its continuation
    "\x80",              // a continuation without its lead
    "\xBF\xBF",          //
    "\xC0\xAF",          // overlong forms
    "\xC1\xBF",          //
    "\xE0\x80\x80",      //
    "\xED\xA0\x80",      // an encoded surrogate
    "\xF5\x80\x80\x80",  // above U+10FFFF
    "\xF8",              // bytes that start nothing
    "\xFF",              //
    std::string(1, '\0'),
};

const std::string kLetters[] = {"a",        "k",        " ",        "\\n",
                                "\"",       "\xC3\xA1", "\xC4\x8D", "\xC5\xBE",
                                "\xC5\xAF", "\xC2\x80", "\xDF\xBF", "\xC2\xA0"};

// Czech-like text: ASCII and two-byte letters, with faults at the given rate.
std::string RandomText(std::mt19937& random, std::size_t size, double faultRate) {
  std::uniform_real_distribution<double> chance(0, 1);
  std::string bytes;
  while (bytes.size() < size) {
    if (chance(random) < faultRate) {
      bytes += kFaults[random() % std::size(kFaults)];
    } else {
      bytes += kLetters[random() % std::size(kLetters)];
    }
  }
  return bytes;
}

TEST(Utf8Blocks, RandomTextsDecodeLikeThePlainDecoder) {
  std::mt19937 random(11);
  for (const double faultRate : {0.0, 0.005, 0.05, 0.3, 1.0}) {
    for (int round = 0; round < 3000; ++round) {
      std::string text = RandomText(random, random() % 101, faultRate);
      // Lengths 0 to 100 exactly, which cuts sequences at the end too.
      text.resize(std::min<std::size_t>(text.size(), random() % 101));
      SCOPED_TRACE(testing::PrintToString(text));
      ExpectBlocksDecodeLikeTheTable(text);
    }
  }
}

TEST(Utf8Blocks, EveryFaultAtEveryPlaceOfTheBlocks) {
  std::mt19937 random(5);
  // Blocks of sixteen bytes shift by one where a lead ends one: sixty bytes
  // and more of clean text put each fault at every offset within a block.
  const std::string clean = RandomText(random, 70, 0.0);
  for (const std::string& fault : kFaults) {
    for (std::size_t at = 0; at <= clean.size(); ++at) {
      std::string text = clean;
      text.insert(at, fault);
      SCOPED_TRACE(testing::PrintToString(text));
      ExpectBlocksDecodeLikeTheTable(text);
      // The same with the text cut right behind the fault.
      ExpectBlocksDecodeLikeTheTable(text.substr(0, at + fault.size()));
    }
  }
}

TEST(Utf8Blocks, CleanTextIsCutAtEveryLength) {
  std::mt19937 random(9);
  const std::string clean = RandomText(random, 100, 0.0);
  for (std::size_t size = 0; size <= clean.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectBlocksDecodeLikeTheTable(clean.substr(0, size));
  }
}

TEST(Utf8Blocks, CzechTextGoesInWholeBlocksWhereTheProcessorAllows) {
  if (std::string(Utf8BlockDecoderName()).empty()) {
    GTEST_SKIP() << "no block decoder for this processor";
  }
  const std::string sentence = "P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD ";
  std::string text;
  while (text.size() < 200) text += sentence;
  std::vector<char16_t> room(text.size());
  char16_t* out = room.data();
  // Blocks stop only where fewer than sixteen bytes are left.
  EXPECT_GT(DecodeOneAndTwoByteBlocks(text.data(), text.size(), out), text.size() - 16);
  EXPECT_EQ(std::u16string(room.data(), out).substr(0, 8), u"P\u0159\u00edli\u0161 \u017e");
}

}  // namespace
