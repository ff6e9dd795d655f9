#include "tools/client/exchange.h"

#include "tools/client/frame.h"

namespace ferolant::client {
namespace {

using TKind = TJsonLite::TKind;

const TJsonLite* Member(const TJsonLite& object, std::u16string_view name, TKind kind,
                        std::string_view label, std::vector<std::string>& problems) {
  const TJsonLite* m = object.Find(name);
  if (m == nullptr) {
    problems.push_back("member \"" + std::string(label) + "\" is missing");
  } else if (m->Kind != kind) {
    problems.push_back("member \"" + std::string(label) + "\" has the wrong JSON type");
    m = nullptr;
  }
  return m;
}

std::optional<std::int64_t> IntMember(const TJsonLite& object, std::u16string_view name,
                                      std::string_view label, std::vector<std::string>& problems) {
  const TJsonLite* m = Member(object, name, TKind::Number, label, problems);
  if (m == nullptr) return std::nullopt;
  auto value = m->AsInt();
  if (!value) problems.push_back("member \"" + std::string(label) + "\" is not a whole number");
  return value;
}

std::u16string TextMember(const TJsonLite& object, std::u16string_view name, std::string_view label,
                          std::vector<std::string>& problems) {
  const TJsonLite* m = Member(object, name, TKind::String, label, problems);
  return m ? m->Text : std::u16string();
}

}  // namespace

TReply DecodeReply(std::string body) {
  TReply r;
  r.Body = std::move(body);
  if (r.Body.size() > kBrowserReplyLimit) {
    r.Problems.push_back("frame of " + std::to_string(r.Body.size()) +
                         " bytes is over the 1 MiB that browsers accept from a host");
  }
  TJsonLiteResult parsed = ParseJsonLite(r.Body);
  if (!parsed.Value) {
    r.Problems.push_back("body is not JSON: " + parsed.Error);
    return r;
  }
  const TJsonLite& root = *parsed.Value;
  if (root.Kind != TKind::Object) {
    r.Problems.push_back("body is not a JSON object");
    return r;
  }
  r.Parsed = true;
  r.Metoda = TextMember(root, u"metoda", "metoda", r.Problems);
  r.TabId = IntMember(root, u"tabID", "tabID", r.Problems);
  r.ErrNo = IntMember(root, u"errNo", "errNo", r.Problems);
  r.ErrMsg = TextMember(root, u"errMsg", "errMsg", r.Problems);
  if (const TJsonLite* result = Member(root, u"result", TKind::Object, "result", r.Problems)) {
    r.Data = TextMember(*result, u"data", "result.data", r.Problems);
    r.HasNextPart = IntMember(*result, u"hasNextPart", "result.hasNextPart", r.Problems);
  }
  return r;
}

std::size_t TExchange::ProblemCount() const {
  std::size_t n = 0;
  for (const TReply& r : Replies) n += r.Problems.size();
  return n;
}

std::string NextBlockRequest(std::int64_t tabId) {
  return R"({"metoda":"GETNEXTBLOCK","parametry":{},"tabID":)" + std::to_string(tabId) + "}";
}

TExchange RunExchange(THostProcess& host, const std::string& request,
                      const TExchangeOptions& options) {
  TExchange ex;
  ex.Request = request;
  std::string next = request;
  for (;;) {
    if (!host.WriteFrame(next)) {
      ex.Failure = "the host no longer reads its input";
      return ex;
    }
    std::string body;
    switch (host.ReadFrame(body, options.Timeout)) {
      case THostProcess::TReadStatus::Frame:
        break;
      case THostProcess::TReadStatus::Closed:
        ex.Failure = "the host closed its output without replying";
        return ex;
      case THostProcess::TReadStatus::Truncated:
        ex.Failure = "the host closed its output in the middle of a reply";
        return ex;
      case THostProcess::TReadStatus::TooLong:
        ex.Failure = "the host sent a frame header claiming an impossible length";
        return ex;
      case THostProcess::TReadStatus::TimedOut:
        ex.Failure = "no reply within " + std::to_string(options.Timeout.count()) + " ms";
        return ex;
    }
    TReply& reply = ex.Replies.emplace_back(DecodeReply(std::move(body)));
    ex.Data += reply.Data;
    if (!options.FollowBlocks || reply.HasNextPart.value_or(0) != 1) return ex;
    if (ex.Replies.size() > options.MaxBlocks) {
      ex.Failure =
          "the host still announces more blocks after " + std::to_string(options.MaxBlocks);
      return ex;
    }
    next = NextBlockRequest(reply.TabId.value_or(0));
  }
}

}  // namespace ferolant::client
