#include "bench_host_steps.h"

#include "channel/decode_param.h"
#include "json/jsonvalue.h"
#include "platform/code_page.h"

namespace bench {

std::u16string HostRequestParam1(std::string_view body) {
  IJsonValue request = ParseJson(ThreadAnsiToWide(body));
  if (!request) return {};
  IJsonValue params = request->Get(u"parametry");
  if (!KindIs(params, skObject)) return {};
  IJsonValue param1 = params->Get(u"param1");
  if (!KindIs(param1, skString)) return {};
  return DecodeParam(param1->TextRef());
}

std::string HostReplyText(std::u16string_view data) {
  IJsonValue reply = ParseJson(u"{}");
  reply->PutInt(u"tabID", 12);
  reply->PutText(u"metoda", u"SIGNDETACHED");
  reply->PutInt(u"errNo", 0);
  reply->PutText(u"errMsg", u"");
  IJsonValue result = ParseJson(u"{}");
  result->PutInt(u"hasNextPart", 0);
  result->PutText(u"data", data);
  reply->Put(u"result", result);
  return WideToThreadAnsi(reply->ToJsonText(false, true));
}

}  // namespace bench
