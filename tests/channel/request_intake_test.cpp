// Request intake alone: the bytes of one message and the request they make.
#include "channel/request_intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "channel/plain_request.h"
#include "platform/code_page.h"
#include "tests/support/request_outcome.h"

namespace {

using namespace std::string_view_literals;

TEST(RouteOf, MatchesTheMethodNameInAnyCase) {
  const std::pair<const char*, TRoute> cases[] = {
      {"INIT", TRoute::Init},
      {"getNextBlock", TRoute::GetNextBlock},
      {"SetCfgSignatureHashAlgorithmNumber", TRoute::SetCfgSignatureHashAlgorithmNumber},
      {"nativeversion", TRoute::NativeVersion},
      {"NATIVEVERSION ", TRoute::UnknownMethod},
      {"", TRoute::UnknownMethod},
  };
  for (const auto& [name, route] : cases) EXPECT_EQ(RouteOf(name), route) << name;
}

TEST(TakeRequest, GivesTheMethodAsSentItsRouteTheTabIdAndTheParameters) {
  struct TCase {
    const char* Bytes;
    std::string Method;
    TRoute Route;
    std::int32_t TabID;
    std::vector<std::u16string> Params;
  };
  const TCase cases[] = {
      {R"({"metoda":"signDetached","parametry":{"param1":"a","param2":"b"},"tabID":7})",
       "signDetached",
       TRoute::SignDetached,
       7,
       {u"a", u"b"}},
      {R"({"metoda":"X","parametry":{"param1":"a","param3":"c"}})",
       "X",
       TRoute::UnknownMethod,
       0,
       {u"a"}},
      {R"({"metoda":"INIT","parametry":{"param1":1,"param2":"b"},"tabID":"4294967297"})",
       "INIT",
       TRoute::Init,
       1,
       {}},
      {"{\"metoda\":\"ABOUT\",\"parametry\":{\"param1\":\"\xc4\x8d\"},\"tabID\":-1}",
       "ABOUT",
       TRoute::About,
       -1,
       {u"\u010d"}},
  };
  for (const TCase& c : cases) {
    const auto request = TakeRequest(std::string_view(c.Bytes));
    ASSERT_TRUE(request) << c.Bytes;
    EXPECT_EQ(request->Method, c.Method) << c.Bytes;
    EXPECT_EQ(request->Route, c.Route) << c.Bytes;
    EXPECT_EQ(request->TabID, c.TabID) << c.Bytes;
    EXPECT_EQ(request->Params, c.Params) << c.Bytes;
  }
}

TEST(TakeRequest, GivesNothingForAMessageOfTheWrongShape) {
  for (const char* bytes : {"junk", "[]", R"({"metoda":1,"parametry":{}})",
                            R"({"metoda":"INIT","parametry":[]})", R"({"parametry":{}})"}) {
    EXPECT_FALSE(TakeRequest(std::string_view(bytes))) << bytes;
  }
}

TEST(TakeRequest, RaisesForATabIdBeyondAnyInteger) {
  EXPECT_ANY_THROW(TakeRequest(std::string(R"({"metoda":"INIT","parametry":{},"tabID":1e300})")));
}

std::string ByDefault(std::string_view bytes) { return RequestOutcome(&TakeRequest, bytes); }
std::string ByReader(std::string_view bytes) { return RequestOutcome(&TakeRequestByReader, bytes); }

TEST(TakeRequest, ThePlainPathReadsWhatTheReaderReads) {
  // The first group has the plain form and must be read without the reader; the second
  // is near it and may go either way. Both must come out as the reader reads them.
  const std::string_view plain[] = {
      R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":5})",
      " {\"metoda\" : \"x\",\r\n\t\"parametry\":{ \"param2\":\"b\" , \"param1\":\"a\" } } ",
      R"({"tabID":-12,"parametry":{"param1":"1","param2":7,"param3":"3"},"metoda":"a"})",
      R"({"metoda":"a","parametry":{"param1":"x"},"parametry":{"param2":"y"}})",
      R"({"metoda":"a","metoda":"b","parametry":{"param1":"x","param1":"y"},"tabID":1,"tabID":2})",
      R"({"metoda":"a","parametry":{"param10":"j","param1":"a","param11":"k"},"tabID":007})",
      R"({"metoda":"a","parametry":{},"tabID":999999999999999999,"other":"o","n":-0})",
      "{\"metoda\":\"\xc4\x8d\",\"parametry\":{\"param1\":\"\xf0\x9f\x98\x80\x01\xff\"}}",
  };
  const std::string_view near[] = {
      "{}",
      R"({"metoda":"a"})",
      R"({"parametry":{}})",
      R"({"metoda":"a","parametry":[]})",
      R"({"metoda":5,"parametry":{}})",
      R"({"metoda":"a","parametry":"p"})",
      R"({"metoda":"a","parametry":{},"tabID":"12"})",
      R"({"metoda":"a","parametry":{},"tabID":1.5})",
      R"({"metoda":"a","parametry":{},"tabID":1e3})",
      R"({"metoda":"a","parametry":{},"tabID":+1})",
      R"({"metoda":"a","parametry":{},"tabID":9999999999999999999})",
      R"({"metoda":"a","parametry":{},"tabID":1e300})",
      R"({"metoda":"a","parametry":{},})",
      R"({"metoda":"a\"b","parametry":{"param1":"\u010d"}})",
      R"({'metoda':"a","parametry":{}})",
      R"({metoda:"a","parametry":{}})",
      R"({"metoda":"a","parametry":{}} {"x":1})",
      R"({"metoda":"a",/*c*/"parametry":{}})",
      R"({"metoda":"a","parametry":{"param1":{}}})",
      R"({"metoda":"a","parametry":{"param1":null}})",
      R"({"metoda":"a","parametry":{},"x":[1]})",
      "{\"metoda\":\"a\",\"parametry\":{}}\b",
      R"({"metoda":"a","parametry":{"param1":"x")",
      R"({"metoda":"a","parametry":{}})"
      "\0"
      R"(junk)"sv,
      "{\"meto\0da\":\"a\",\"parametry\":{}}"sv,
  };
  for (const std::string_view text : plain) {
    EXPECT_TRUE(ReadPlainRequest(platform::ThreadAnsiToWide(text))) << text;
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; });
    if (ascii) {
      EXPECT_TRUE(ReadPlainRequest(text)) << text;
    }
    EXPECT_EQ(ByDefault(text), ByReader(text)) << text;
  }
  for (const std::string_view text : near) EXPECT_EQ(ByDefault(text), ByReader(text)) << text;

  // Every text a few random edits away from a plain one.
  std::mt19937 random(24);
  const std::string_view alphabet = "{}[]\":,\\ \t\r\n\b\f/*'0123456789eE.+-amptuxyz\0\x80\xc4"sv;
  int plainCount = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text(plain[random() % std::size(plain)]);
    for (int edit = 1 + random() % 3; edit > 0; --edit) {
      const std::size_t at = random() % (text.size() + 1);
      const char unit = alphabet[random() % alphabet.size()];
      switch (random() % 3) {
        case 0:
          text.insert(at, 1, unit);
          break;
        case 1:
          if (at < text.size()) text[at] = unit;
          break;
        default:
          if (at < text.size()) text.erase(at, 1);
          break;
      }
    }
    plainCount += ReadPlainRequest(platform::ThreadAnsiToWide(text)).has_value();
    ASSERT_EQ(ByDefault(text), ByReader(text)) << text;
  }
  // The edits must leave many texts plain, or the comparison says little.
  EXPECT_GT(plainCount, 2000);
}

}  // namespace
