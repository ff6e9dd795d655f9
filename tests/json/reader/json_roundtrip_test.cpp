// Reading what the writer wrote gives back the same document: checked over
// generated standard JSON in all four writing modes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "tests/json/reader/reader_support.h"

namespace {

class TCorpusGenerator {
 public:
  explicit TCorpusGenerator(std::uint32_t seed) : FRandom(seed) {}

  std::u16string Document() {
    std::u16string text;
    Value(text, 0);
    return text;
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(FRandom); }

  void Digits(std::u16string& text, int count, bool leadingNonZero) {
    for (int i = 0; i < count; ++i) {
      const int low = i == 0 && leadingNonZero ? 1 : 0;
      text.push_back(static_cast<char16_t>(u'0' + low + Pick(10 - low)));
    }
  }

  void Number(std::u16string& text) {
    if (Pick(2) == 0) text.push_back(u'-');
    const int shape = Pick(5);
    if (shape == 0) {
      text.push_back(u'0');
    } else {
      Digits(text, 1 + Pick(shape == 4 ? 19 : 9), true);
    }
    if (shape == 1 || shape == 2) {
      text.push_back(u'.');
      Digits(text, shape == 1 ? 1 + Pick(4) : 5 + Pick(8), false);
    }
    if (shape == 3) {
      text.push_back(Pick(2) ? u'e' : u'E');
      if (Pick(2)) text.push_back(Pick(2) ? u'-' : u'+');
      Digits(text, 1 + Pick(2), false);
    }
  }

  void String(std::u16string& text) {
    static constexpr char16_t kUnits[] = {u'a',      u'Z',      u' ',      u'"',      u'\\',
                                          u'/',      u'\n',     u'\t',     u'\x01',   u'\x1f',
                                          u'\x7f',   u'\u00e9', u'\u20ac', u'\xd83d', u'\xde00',
                                          u'\u0000', u'\'',     u'{',      u',',      u'7'};
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    text.push_back(u'"');
    for (int n = Pick(12); n > 0; --n) {
      const char16_t unit = kUnits[Pick(std::size(kUnits))];
      if (unit == u'"' || unit == u'\\') {
        text.push_back(u'\\');
        text.push_back(unit);
      } else if (unit < 0x20 || Pick(4) == 0) {
        text += u"\\u";
        for (int shift = 12; shift >= 0; shift -= 4) text.push_back(kHex[(unit >> shift) & 15]);
      } else {
        text.push_back(unit);
      }
    }
    text.push_back(u'"');
  }

  void Value(std::u16string& text, int depth) {
    const int choice = Pick(depth < 5 ? 9 : 7);
    switch (choice) {
      case 0:
        text += u"null";
        break;
      case 1:
        text += Pick(2) ? u"true" : u"false";
        break;
      case 2:
      case 3:
        Number(text);
        break;
      case 4:
      case 5:
      case 6:
        String(text);
        break;
      case 7:
        text.push_back(u'[');
        for (int n = Pick(5); n > 0; --n) {
          Value(text, depth + 1);
          if (n > 1) text += Pick(2) ? u"," : u" ,\n ";
        }
        text.push_back(u']');
        break;
      default:
        text.push_back(u'{');
        for (int n = Pick(5); n > 0; --n) {
          String(text);
          text += Pick(2) ? u":" : u" : ";
          Value(text, depth + 1);
          if (n > 1) text.push_back(u',');
        }
        text.push_back(u'}');
        break;
    }
  }

  std::mt19937 FRandom;
};

TEST(JsonRoundTrip, GeneratedDocumentsReadBackToTheSameText) {
  TCorpusGenerator generator(20261207);
  for (int document = 0; document < 2000; ++document) {
    const std::u16string source = generator.Document();
    const TReadOutcome read = RunReader(source, true);
    ASSERT_EQ(read.Error, jeNone) << "document " << document;
    ASSERT_TRUE(read.Value) << "document " << document;
    for (const bool indent : {false, true}) {
      for (const bool escape : {false, true}) {
        const std::u16string written = read.Value->ToJsonText(indent, escape);
        const IJsonValue again = ParseJson(written);
        ASSERT_TRUE(again) << "document " << document;
        EXPECT_EQ(again->ToJsonText(indent, escape), written)
            << "document " << document << " indent " << indent << " escape " << escape;
      }
    }
  }
}

}  // namespace
