#include "json/json_escape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_writer.h"

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

}  // namespace
