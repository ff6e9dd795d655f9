// Member order of the documents the host exchanges: fixed by the names alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "json/value/jsonvalue.h"

namespace {

std::vector<std::u16string> MemberNames(const IJsonValue& object) {
  std::vector<std::u16string> names;
  TJsonMemberIter iter;
  for (bool found = FirstMember(object, iter); found; found = NextMember(iter)) {
    names.emplace_back(iter.FoundName);
  }
  EndMembers(iter);
  return names;
}

TEST(JsonEnvelopeOrder, ReplyMembersWalkInHashOrderWhateverTheStoringOrder) {
  const std::vector<std::u16string> expected = {u"metoda", u"result", u"errNo", u"tabID",
                                                u"errMsg"};
  std::vector<std::u16string> storing = expected;
  std::sort(storing.begin(), storing.end());
  do {
    IJsonValue reply = ParseJson(u"{}");
    ASSERT_TRUE(KindIs(reply, skObject));
    for (const auto& name : storing) reply->PutInt(name, 1);
    EXPECT_EQ(MemberNames(reply), expected);
  } while (std::next_permutation(storing.begin(), storing.end()));
}

TEST(JsonEnvelopeOrder, InnerResultWalksDataBeforeHasNextPart) {
  IJsonValue result = ParseJson(u"{}");
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", u"abc");
  EXPECT_EQ(MemberNames(result), (std::vector<std::u16string>{u"data", u"hasNextPart"}));
}

TEST(JsonEnvelopeOrder, ReplyTextFollowsTheWalkOrder) {
  IJsonValue result = ParseJson(u"{}");
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", u"\u010Cau");
  IJsonValue reply = ParseJson(u"{}");
  reply->PutText(u"errMsg", u"");
  reply->PutInt(u"tabID", 5);
  reply->PutInt(u"errNo", 0);
  reply->Put(u"result", result);
  reply->PutText(u"metoda", u"VERSION");
  EXPECT_EQ(reply->ToJsonText(false, true),
            u"{\"metoda\":\"VERSION\",\"result\":{\"data\":\"\\u010cau\",\"hasNextPart\":0},"
            u"\"errNo\":0,\"tabID\":5,\"errMsg\":\"\"}");
}

TEST(JsonEnvelopeOrder, RequestAndParameterNames) {
  IJsonValue request = TJsonValue::Create(skObject);
  request->Put(u"parametry", TJsonValue::Create(skObject));
  request->PutInt(u"tabID", 7);
  request->PutText(u"metoda", u"VERSION");
  EXPECT_EQ(MemberNames(request), (std::vector<std::u16string>{u"metoda", u"tabID", u"parametry"}));

  IJsonValue params = request->Get(u"parametry");
  for (const char16_t* name : {u"param10", u"param1", u"param2", u"param3", u"param4", u"param5",
                               u"param6", u"param7", u"param8", u"param9"}) {
    params->PutText(name, u"x");
  }
  EXPECT_EQ(MemberNames(params),
            (std::vector<std::u16string>{u"param9", u"param8", u"param7", u"param6", u"param5",
                                         u"param4", u"param3", u"param2", u"param1", u"param10"}));
}

}  // namespace
