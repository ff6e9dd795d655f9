#include "json/writer/json_escape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "json/value/jsonvalue.h"
#include "json/writer/json_escape_rule.h"
#include "json/writer/json_writer.h"

namespace {

std::u16string Escaped(std::u16string_view text, bool escapeNonAscii) {
  TJsonWriterString sink;
  AppendEscaped(sink, text, escapeNonAscii);
  return sink.Text();
}

// Records every append, to show how the text is cut into runs.
class TRecordingWriter final : public TJsonWriter {
 public:
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) override {
    Pieces.emplace_back(chars, static_cast<std::size_t>(count));
    return count;
  }
  std::int32_t AppendText(const char16_t* text) override {
    return AppendChars(text, ZeroTerminatedLength(text));
  }
  void ResetOutput() override { Pieces.clear(); }

  std::vector<std::u16string> Pieces;
};

TEST(JsonEscape, FullEscapingLeavesOnlyPrintableAscii) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"\u00e9", u"\\u00e9"},
      {u"\u20ac", u"\\u20ac"},
      {u"\u007f", u"\u007f"},
      {u"a/b", u"a\\/b"},
      {u"\b\t\n\f\r", u"\\b\\t\\n\\f\\r"},
      {u"\"\\", u"\\\"\\\\"},
      {std::u16string_view(u"\0", 1), u"\\u0000"},
      {u"\u001f\u000b", u"\\u001f\\u000b"},
      {u"\u0080\u00ff\u0100", u"\\u0080\\u00ff\\u0100"},
      {u"\U0001F600", u"\\ud83d\\ude00"},  // each surrogate on its own
      {u"\uABCD", u"\\uabcd"},
      {u" ~", u" ~"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Escaped(text, true), expected);
}

TEST(JsonEscape, MinimalEscapingTouchesOnlyZeroQuoteAndBackslash) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"\u00e9\u20ac/\u007f", u"\u00e9\u20ac/\u007f"},
      {u"line\nbreak\t", u"line\nbreak\t"},
      {std::u16string_view(u"a\0b", 3), u"a\\u0000b"},
      {u"say \"hi\" \\o/", u"say \\\"hi\\\" \\\\o/"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Escaped(text, false), expected);
}

TEST(JsonEscape, EveryUnitEscapesToPrintableAsciiThatDecodesBack) {
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const char16_t u = static_cast<char16_t>(unit);
    const std::u16string out = Escaped(std::u16string_view(&u, 1), true);
    for (char16_t c : out) ASSERT_TRUE(c >= 0x20 && c <= 0x7F) << std::hex << unit;
    if (out.size() == 6) {
      ASSERT_EQ(out.substr(0, 2), u"\\u");
      ASSERT_EQ(std::stoul(std::string(out.begin() + 2, out.end()), nullptr, 16), unit);
    } else {
      ASSERT_TRUE(out.size() == 1 || (out.size() == 2 && out[0] == u'\\')) << std::hex << unit;
    }
  }
}

// The block tests of both engines, and the packing test, against the table
// for every unit, alone and among plain units, in the first and last lanes.
template <bool kFull>
void ExpectEnginesFollowTheTable() {
  using TRule = json::internal::TEscapeRule<kFull>;
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const auto u = static_cast<char16_t>(unit);
    const bool needs = TRule::Needs(u);
    char16_t units[16];
    for (const std::size_t lane : {0, 3, 7, 8, 15}) {
      std::fill(std::begin(units), std::end(units), lane == 0 ? u : u'a');
      units[lane] = u;
      using json::internal::BlockNeedsEscape;
      using json_scan::LoadBlock;
      if (lane < 4) {
        ASSERT_EQ(BlockNeedsEscape<kFull>(LoadBlock<json_scan::TWordBlock>(units)), needs)
            << kFull << " word " << std::hex << unit << " lane " << lane;
      }
#if defined(__SSE2__)
      if (lane < 8) {
        ASSERT_EQ(BlockNeedsEscape<kFull>(LoadBlock<json_scan::TVectorBlock>(units)), needs)
            << kFull << " vector " << std::hex << unit << " lane " << lane;
      }
      if constexpr (kFull) {
        char out[16];
        ASSERT_EQ(json::internal::PutPlainAscii16(out, units), !needs)
            << "packed " << std::hex << unit << " lane " << lane;
      }
#endif
    }
  }
}

TEST(JsonEscape, EveryEngineFollowsTheOneTable) {
  ExpectEnginesFollowTheTable<true>();
  ExpectEnginesFollowTheTable<false>();
}

// The escape of one unit, straight from the two tables.
std::u16string EscapeOne(char16_t u, bool full) {
  static const char16_t kHex[] = u"0123456789abcdef";
  const auto hex4 = [&] {
    return std::u16string{
        u'\\', u'u', kHex[u >> 12], kHex[(u >> 8) & 15], kHex[(u >> 4) & 15], kHex[u & 15]};
  };
  if (u == u'"' || u == u'\\') return std::u16string{u'\\', u};
  if (u == 0) return hex4();
  if (!full) return std::u16string(1, u);
  switch (u) {
    case 8:
      return u"\\b";
    case 9:
      return u"\\t";
    case 10:
      return u"\\n";
    case 12:
      return u"\\f";
    case 13:
      return u"\\r";
    case u'/':
      return u"\\/";
  }
  return (u < 0x20 || u >= 0x80) ? hex4() : std::u16string(1, u);
}

TEST(JsonEscape, LongAndMixedTextsMatchUnitByUnitEscaping) {
  // Units at the edges of every class, mixed into texts of all short
  // lengths, so escapes fall at every position of a scanned block.
  const char16_t alphabet[] = {u'a',   u'a',   u'a',   u'a', u'"', u'\\', u'/',   0,
                               0x1F,   0x20,   0x21,   0x7F, 0x80, 0xFF,  0x100,  0x7FFF,
                               0x8000, 0xD83D, 0xFFFF, 0x2F, 0x5C, 0x22,  0xFF22, 0x225C};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    // Now and then a text longer than the pieces a plain string is filled in.
    std::u16string text(random() % (round % 50 == 0 ? 1600 : 40), u' ');
    for (char16_t& u : text) u = alphabet[random() % std::size(alphabet)];
    for (bool full : {true, false}) {
      std::u16string expected;
      for (char16_t u : text) expected += EscapeOne(u, full);
      ASSERT_EQ(Escaped(text, full), expected) << round;
      std::u16string appended = u"[";
      AppendEscaped(appended, text, full);
      ASSERT_EQ(appended, u"[" + expected) << round;
    }
  }
}

std::string Narrow(std::u16string_view ascii) { return std::string(ascii.begin(), ascii.end()); }

TEST(JsonEscape, NarrowOutputIsTheWideOutputOneBytePerUnit) {
  const char16_t alphabet[] = {u'a',  u'Z', u'~', 0x7F,  u'"',   u'\\',  u'/',   0,      0x1F,
                               u'\n', 0x80, 0xFF, 0x100, 0xD83D, 0xDE00, 0xFFFF, 0xFF22, 0x225C};
  std::mt19937 random(11);
  for (int round = 0; round < 5000; ++round) {
    // Plain text with an escape every few units or every few dozen, now and
    // then longer than a piece.
    std::u16string text(random() % (round % 25 == 0 ? 3000 : 60), u'q');
    for (char16_t& u : text) {
      if (random() % (round % 2 == 0 ? 4 : 40) == 0) u = alphabet[random() % std::size(alphabet)];
    }
    std::u16string wide;
    AppendEscaped(wide, text, true);
    std::string narrow = "[";
    AppendEscapedAscii(narrow, text);
    ASSERT_EQ(narrow, "[" + Narrow(wide)) << round;
  }
}

TEST(JsonEscape, EscapingWithinARoomTakesTheLongestFrontThatFitsWithoutSplittingAUnit) {
  const char16_t alphabet[] = {u'a', u'a', u'a', u'"', u'/', u'\t', 0x01, 0xE9, 0xD83D, 0xDE00};
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(random() % (round % 20 == 0 ? 2500 : 50), u'a');
    for (char16_t& u : text) u = alphabet[random() % std::size(alphabet)];
    // Each unit's escape on its own, to find the expected cut by counting.
    std::vector<std::size_t> sizes;
    std::u16string whole;
    for (char16_t u : text) {
      sizes.push_back(EscapeOne(u, true).size());
      whole += EscapeOne(u, true);
    }
    const std::size_t room = random() % (whole.size() + 8);
    std::size_t units = 0;
    std::size_t bytes = 0;
    while (units < text.size() && bytes + sizes[units] <= room) bytes += sizes[units++];

    std::string out = "{";
    ASSERT_EQ(AppendEscapedAsciiWithin(out, text, room), units) << round;
    ASSERT_EQ(out, "{" + Narrow(whole.substr(0, bytes))) << round;
  }
  std::string out;
  EXPECT_EQ(AppendEscapedAsciiWithin(out, u"ab\u00e9", 7), 2u);  // the escape needs six
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(AppendEscapedAsciiWithin(out, u"", 0), 0u);
  EXPECT_EQ(AppendEscapedAsciiWithin(out, u"xyz", 0), 0u);
  EXPECT_EQ(out, "ab");
}

TEST(JsonEscape, HandsUnescapedRunsToTheSinkWhole) {
  TRecordingWriter sink;
  AppendEscaped(sink, u"abc\u00e9def\"\"gh", true);
  const std::vector<std::u16string> expected = {u"abc",  u"\\u00e9", u"def",
                                                u"\\\"", u"\\\"",    u"gh"};
  EXPECT_EQ(sink.Pieces, expected);

  sink.ResetOutput();
  AppendEscaped(sink, u"", true);
  AppendEscaped(sink, u"plain \u00e9 text", false);
  EXPECT_EQ(sink.Pieces, std::vector<std::u16string>{u"plain \u00e9 text"});
}

// --- The cut of a long text to what escapes into a given room: runs of plain
// units are counted at once, which must give exactly what counting unit by
// unit gives.

TEST(JsonEscape, CountsEscapedBytesExactly) {
  EXPECT_EQ(EscapedAsciiSize(u'a'), 1u);
  EXPECT_EQ(EscapedAsciiSize(u'\x7F'), 1u);
  EXPECT_EQ(EscapedAsciiSize(u'/'), 2u);
  EXPECT_EQ(EscapedAsciiSize(u'\n'), 2u);
  EXPECT_EQ(EscapedAsciiSize(u'\x01'), 6u);
  EXPECT_EQ(EscapedAsciiSize(u'\u00e1'), 6u);
  // ASCII fills the budget unit by unit; a unit that would overflow it stays out.
  EXPECT_EQ(EscapedAsciiUnitsWithin(u"abcdef", 4), 4u);
  EXPECT_EQ(EscapedAsciiUnitsWithin(u"a\u010db", 6), 1u);
  EXPECT_EQ(EscapedAsciiUnitsWithin(u"a\u010db", 7), 2u);
  EXPECT_EQ(EscapedAsciiUnitsWithin(std::u16string_view(u"abc").substr(0, 2), 100), 2u);
  EXPECT_EQ(EscapedAsciiUnitsWithin(u"", 100), 0u);
}

std::size_t UnitsWithinOneByOne(std::u16string_view data, std::size_t maxUnits,
                                std::size_t budget) {
  std::size_t used = 0;
  const std::size_t limit = std::min(maxUnits, data.size());
  for (std::size_t i = 0; i < limit; ++i) {
    used += EscapedAsciiSize(data[i]);
    if (used > budget) return i;
  }
  return limit;
}

TEST(JsonEscape, CutMatchesCountingUnitByUnit) {
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
    ASSERT_EQ(EscapedAsciiUnitsWithin(std::u16string_view(data).substr(0, maxUnits), budget),
              UnitsWithinOneByOne(data, maxUnits, budget))
        << "size " << data.size() << ", max " << maxUnits << ", budget " << budget;
  }
}

// --- Long texts against the rules applied one unit at a time.

// Full escaping, one unit at a time, as the writer's rules say.
std::u16string EscapeOneByOne(std::u16string_view text) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string out;
  for (const char16_t c : text) {
    const char16_t shortForm = c == u'"'    ? u'"'
                               : c == u'\\' ? u'\\'
                               : c == u'/'  ? u'/'
                               : c == u'\b' ? u'b'
                               : c == u'\t' ? u't'
                               : c == u'\n' ? u'n'
                               : c == u'\f' ? u'f'
                               : c == u'\r' ? u'r'
                                            : 0;
    if (shortForm) {
      out += u'\\';
      out += shortForm;
    } else if (c < 0x20 || c > 0x7F) {
      out += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

TEST(JsonLongString, EscapedTextMatchesEscapingOneUnitAtATime) {
  std::mt19937 random(11);
  static const char16_t kRare[] = {u'"', u'\\', u'/', u'\n',  0x01,   0x1F,
                                   0x7F, 0x80,  0x00, 0x010D, 0xD83D, 0xFFFF};
  for (int i = 0; i < 200; ++i) {
    // Lengths across the block sizes and the writer's gathering buffer.
    std::u16string text(random() % 5000, u'x');
    for (char16_t& c : text) {
      const unsigned pick = random() % 16;
      c = pick < 2 ? kRare[random() % std::size(kRare)]
                   : static_cast<char16_t>(u' ' + random() % 95);
    }
    const IJsonValue value = TJsonValue::CreateText(text);
    ASSERT_EQ(value->ToJsonText(false, true), u"\"" + EscapeOneByOne(text) + u"\"");
    ASSERT_EQ(ParseJson(value->ToJsonText(false, false))->TextRef(), text);
  }
}

}  // namespace
