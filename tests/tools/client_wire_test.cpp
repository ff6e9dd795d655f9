// The client's reading of the wire: frames, JSON and the reply shape, checked without a host.
#include <gtest/gtest.h>

#include "tools/client/exchange.h"
#include "tools/client/frame.h"
#include "tools/client/json_lite.h"
#include "tools/client/session.h"
#include "tools/client/text.h"

using namespace ferolant::client;

TEST(ClientFrame, LengthIsLittleEndianBothWays) {
  EXPECT_EQ(EncodeFrameHeader(300), std::string("\x2c\x01\x00\x00", 4));
  EXPECT_EQ(EncodeFrameHeader(51), std::string("\x33\x00\x00\x00", 4));
  const char big[4] = {'\x01', '\x02', '\x03', '\x84'};
  EXPECT_EQ(DecodeFrameHeader(big), 0x84030201u);
}

TEST(ClientText, ShowsWhatUtf8CannotHold) {
  EXPECT_EQ(Utf16ToDisplay(u"Žluťoučký kůň 😀"), "Žluťoučký kůň 😀");
  // A lone surrogate (a block cut inside a pair) and control characters stay visible.
  EXPECT_EQ(Utf16ToDisplay(u"a\xd83d"
                           u"b\x01\n"),
            "a\\ud83db\\u0001\n");
}

TEST(ClientRequest, IsWrittenLikeABrowserWritesIt) {
  EXPECT_EQ(BuildRequest("NATIVEVERSION", {}, 3),
            R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":3})");
  // Raw UTF-8, the quote, the backslash and control characters escaped, U+2028 left raw.
  EXPECT_EQ(BuildRequest("SIGNDETACHED", {"ů\"\\\n\u2028</>", "0"}, 1),
            "{\"metoda\":\"SIGNDETACHED\",\"parametry\":{\"param1\":\"ů\\\"\\\\\\n\u2028</>\","
            "\"param2\":\"0\"},\"tabID\":1}");
}

TEST(ClientJson, DecodesEscapesAndRawUtf8) {
  const auto r =
      ParseJsonLite(R"( {"a":"\u017d\ud83d\ude00\ud83d x\/\"","b":[1,-2.5e3,true,null],"c":{}} )");
  ASSERT_TRUE(r.Value) << r.Error;
  EXPECT_EQ(r.Value->Find(u"a")->Text, u"Ž😀\xd83d x/\"");
  const TJsonLite& b = *r.Value->Find(u"b");
  ASSERT_EQ(b.Items.size(), 4u);
  EXPECT_EQ(b.Items[0].AsInt(), 1);
  EXPECT_EQ(b.Items[1].Number, "-2.5e3");
  EXPECT_FALSE(b.Items[1].AsInt());
  EXPECT_TRUE(b.Items[2].Boolean);
  EXPECT_EQ(b.Items[3].Kind, TJsonLite::TKind::Null);
  EXPECT_EQ(r.Value->Find(u"c")->Kind, TJsonLite::TKind::Object);
  EXPECT_EQ(r.Value->Find(u"missing"), nullptr);

  EXPECT_EQ(ParseJsonLite("\"žluť\"").Value->Text, u"žluť");
}

TEST(ClientJson, RefusesWhatABrowserWouldRefuse) {
  for (const char* bad : {"", "{", "{\"a\":1,}", "[1 2]", "{\"a\":1} x", "\"tab\there\"", "01",
                          "1.", "\"\\x\"", "\"\\u12g4\"", "'a'", "{a:1}", "nul"}) {
    const auto r = ParseJsonLite(bad);
    EXPECT_FALSE(r.Value) << bad;
    EXPECT_FALSE(r.Error.empty()) << bad;
  }
  // Deep nesting is refused instead of exhausting the stack.
  EXPECT_FALSE(ParseJsonLite(std::string(100000, '[')).Value);
  EXPECT_TRUE(ParseJsonLite(std::string(60, '[') + std::string(60, ']')).Value);
}

TEST(ClientReply, ReadsTheEnvelope) {
  const TReply r = DecodeReply(
      R"({"metoda":"about","result":{"data":"\u010d\ud83d","hasNextPart":1},"errNo":-31905,"tabID":7,"errMsg":"x"})");
  EXPECT_TRUE(r.Parsed);
  EXPECT_TRUE(r.Problems.empty());
  EXPECT_EQ(r.Metoda, u"about");
  EXPECT_EQ(r.Data, u"\u010d\xd83d");
  EXPECT_EQ(r.HasNextPart, 1);
  EXPECT_EQ(r.ErrNo, -31905);
  EXPECT_EQ(r.TabId, 7);
  EXPECT_EQ(r.ErrMsg, u"x");
}

TEST(ClientReply, NamesEveryBreakOfTheEnvelope) {
  const auto problems = [](const std::string& body) { return DecodeReply(body).Problems; };
  EXPECT_EQ(problems("[]"), std::vector<std::string>{"body is not a JSON object"});
  ASSERT_EQ(problems("{oops").size(), 1u);
  EXPECT_NE(problems("{oops")[0].find("not JSON"), std::string::npos);

  const auto p = problems(
      R"({"metoda":1,"result":{"data":null,"hasNextPart":false},"errNo":"0","errMsg":""})");
  const std::vector<std::string> expected = {
      "member \"metoda\" has the wrong JSON type", "member \"tabID\" is missing",
      "member \"errNo\" has the wrong JSON type", "member \"result.data\" has the wrong JSON type",
      "member \"result.hasNextPart\" has the wrong JSON type"};
  EXPECT_EQ(p, expected);

  const std::string over = R"({"metoda":"X","result":{"data":")" +
                           std::string(kBrowserReplyLimit, 'a') +
                           R"(","hasNextPart":0},"errNo":0,"tabID":1,"errMsg":""})";
  ASSERT_EQ(problems(over).size(), 1u);
  EXPECT_NE(problems(over)[0].find("over the 1 MiB"), std::string::npos);
}
