#include "bench/bench_host_steps.h"

#include <optional>

#include "channel/reply_envelope.h"
#include "channel/request_intake.h"

namespace bench {

namespace {

TReplyBody Reply(std::u16string_view data) {
  return MakeReplyBody({12, "SIGNDETACHED", 0, {}}, data, data.size());
}

}  // namespace

std::u16string HostRequestParam1(std::string_view body) {
  std::optional<TRequest> request = TakeRequest(body);
  if (!request || request->Params.empty()) return {};
  return std::move(request->Params.front());
}

std::string HostReplyText(std::u16string_view data) { return Reply(data).Text; }

std::u16string_view HostReplyData(std::u16string_view data) {
  return data.substr(0, Reply(data).DataUnits);
}

}  // namespace bench
