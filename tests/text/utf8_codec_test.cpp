// The two modes of the codec where they differ: what becomes of broken bytes and lone
// surrogates. Well-formed text and the escaping of bytes are checked against the plain
// decoder by the runs and blocks tests.
#include <gtest/gtest.h>

#include <string>

#include "text/utf8_codec.h"

namespace {

TEST(Utf8Replace, EachBrokenByteIsShownAsOneReplacement) {
  const struct {
    std::string Bytes;
    std::u16string Text;
  } cases[] = {
      {"Žluťoučký kůň 😀", u"Žluťoučký kůň 😀"},
      {"a\xc3(\xf0\x9f", u"a\xfffd(\xfffd\xfffd"},
      {"\xed\xa0\xbd", u"\xfffd\xfffd\xfffd"},  // an encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeUtf8(c.Bytes, TUtf8Mode::umReplace), c.Text);
}

TEST(Utf8Encode, APairIsOneCharacterAndOnlyLoneByteEscapesBecomeBytes) {
  const std::string kFffd = "\xef\xbf\xbd";
  const struct {
    std::u16string Text;
    std::string Replaced;
    std::string Escaped;
  } cases[] = {
      {u"\xdc00", kFffd, kFffd},
      {u"\xdc7f", kFffd, kFffd},
      {u"\xdc80", kFffd, "\x80"},
      {u"\xdcff", kFffd, "\xff"},
      {u"\xdd00", kFffd, kFffd},
      {u"\xd83d", kFffd, kFffd},
      {u"\xd83d\xdc80", "\xf0\x9f\x92\x80", "\xf0\x9f\x92\x80"},  // a pair, not an escape
      {u"\xdc80\xd83d", kFffd + kFffd, "\x80" + kFffd},
      {u"a\xd83d\xde00", "a\xf0\x9f\x98\x80", "a\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeUtf8(c.Text, TUtf8Mode::umReplace), c.Replaced);
    EXPECT_EQ(EncodeUtf8(c.Text, TUtf8Mode::umEscapeBytes), c.Escaped);
  }
}

}  // namespace
