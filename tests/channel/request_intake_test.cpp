// Request intake alone: the bytes of one message and the request they make.
#include "channel/request_intake.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

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

}  // namespace
