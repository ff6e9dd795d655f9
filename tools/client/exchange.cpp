#include "tools/client/exchange.h"

#include "tools/client/frame.h"

namespace ferolant::client {
namespace {

using Kind = JsonLite::Kind;

const JsonLite* Member(const JsonLite& object, std::u16string_view name, Kind kind,
                       std::string_view label, std::vector<std::string>& problems) {
  const JsonLite* m = object.Find(name);
  if (m == nullptr) {
    problems.push_back("member \"" + std::string(label) + "\" is missing");
  } else if (m->kind != kind) {
    problems.push_back("member \"" + std::string(label) + "\" has the wrong JSON type");
    m = nullptr;
  }
  return m;
}

std::optional<std::int64_t> IntMember(const JsonLite& object, std::u16string_view name,
                                      std::string_view label, std::vector<std::string>& problems) {
  const JsonLite* m = Member(object, name, Kind::kNumber, label, problems);
  if (m == nullptr) return std::nullopt;
  auto value = m->AsInt();
  if (!value) problems.push_back("member \"" + std::string(label) + "\" is not a whole number");
  return value;
}

std::u16string TextMember(const JsonLite& object, std::u16string_view name, std::string_view label,
                          std::vector<std::string>& problems) {
  const JsonLite* m = Member(object, name, Kind::kString, label, problems);
  return m ? m->text : std::u16string();
}

}  // namespace

Reply DecodeReply(std::string body) {
  Reply r;
  r.body = std::move(body);
  if (r.body.size() > kBrowserReplyLimit) {
    r.problems.push_back("frame of " + std::to_string(r.body.size()) +
                         " bytes is over the 1 MiB that browsers accept from a host");
  }
  JsonLiteResult parsed = ParseJsonLite(r.body);
  if (!parsed.value) {
    r.problems.push_back("body is not JSON: " + parsed.error);
    return r;
  }
  const JsonLite& root = *parsed.value;
  if (root.kind != Kind::kObject) {
    r.problems.push_back("body is not a JSON object");
    return r;
  }
  r.parsed = true;
  r.metoda = TextMember(root, u"metoda", "metoda", r.problems);
  r.tab_id = IntMember(root, u"tabID", "tabID", r.problems);
  r.err_no = IntMember(root, u"errNo", "errNo", r.problems);
  r.err_msg = TextMember(root, u"errMsg", "errMsg", r.problems);
  if (const JsonLite* result = Member(root, u"result", Kind::kObject, "result", r.problems)) {
    r.data = TextMember(*result, u"data", "result.data", r.problems);
    r.has_next_part = IntMember(*result, u"hasNextPart", "result.hasNextPart", r.problems);
  }
  return r;
}

std::size_t Exchange::problem_count() const {
  std::size_t n = 0;
  for (const Reply& r : replies) n += r.problems.size();
  return n;
}

std::string NextBlockRequest(std::int64_t tab_id) {
  return R"({"metoda":"GETNEXTBLOCK","parametry":{},"tabID":)" + std::to_string(tab_id) + "}";
}

Exchange RunExchange(HostProcess& host, const std::string& request,
                     const ExchangeOptions& options) {
  Exchange ex;
  ex.request = request;
  std::string next = request;
  for (;;) {
    if (!host.WriteFrame(next)) {
      ex.failure = "the host no longer reads its input";
      return ex;
    }
    std::string body;
    switch (host.ReadFrame(body, options.timeout)) {
      case HostProcess::ReadStatus::kFrame:
        break;
      case HostProcess::ReadStatus::kClosed:
        ex.failure = "the host closed its output without replying";
        return ex;
      case HostProcess::ReadStatus::kTruncated:
        ex.failure = "the host closed its output in the middle of a reply";
        return ex;
      case HostProcess::ReadStatus::kTooLong:
        ex.failure = "the host sent a frame header claiming an impossible length";
        return ex;
      case HostProcess::ReadStatus::kTimedOut:
        ex.failure = "no reply within " + std::to_string(options.timeout.count()) + " ms";
        return ex;
    }
    Reply& reply = ex.replies.emplace_back(DecodeReply(std::move(body)));
    ex.data += reply.data;
    if (!options.follow_blocks || reply.has_next_part.value_or(0) != 1) return ex;
    if (ex.replies.size() > options.max_blocks) {
      ex.failure =
          "the host still announces more blocks after " + std::to_string(options.max_blocks);
      return ex;
    }
    next = NextBlockRequest(reply.tab_id.value_or(0));
  }
}

}  // namespace ferolant::client
