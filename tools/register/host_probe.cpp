#include "tools/register/host_probe.h"

#include "tools/client/host_process.h"
#include "tools/client/json_lite.h"
#include "tools/client/text.h"

namespace ferolant::reg {
namespace {

using client::TJsonLite;

constexpr const char* kRequest = R"({"metoda":"NATIVEVERSION","parametry":{},"tabID":1})";

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// result.data of a reply, when the body is a reply at all.
const TJsonLite* ReplyData(const TJsonLite& root) {
  const TJsonLite* result = root.Find(u"result");
  if (result == nullptr || result->Kind != TJsonLite::TKind::Object) return nullptr;
  const TJsonLite* data = result->Find(u"data");
  return data != nullptr && data->Kind == TJsonLite::TKind::String ? data : nullptr;
}

}  // namespace

TProbeResult ProbeHost(const std::string& path, std::chrono::milliseconds timeout) {
  const auto started = std::chrono::steady_clock::now();
  std::string error;
  auto host = client::THostProcess::Start(path, error, /*captureErrors=*/true);
  if (!host) return {false, "does not start: " + error};

  // A host that ends at once may not read the request, yet still have said something: the
  // reply is read whether or not the request went through.
  host->WriteFrame(kRequest);
  std::string body;
  const bool answered = host->ReadFrame(body, timeout) == client::THostProcess::TReadStatus::Frame;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  host->CloseInput();
  const std::optional<int> status = host->WaitExit(timeout);
  if (!status) return {false, "answered but did not end when its input was closed"};
  if (!answered) {
    const std::string errors = Trimmed(host->ErrorOutput());
    return {false, "started but did not answer (" + client::DescribeExit(*status) + ")" +
                       (errors.empty() ? "" : ": " + errors)};
  }
  const client::TJsonLiteResult parsed = client::ParseJsonLite(body);
  const TJsonLite* data = parsed.Value ? ReplyData(*parsed.Value) : nullptr;
  if (data == nullptr) {
    return {false, "answered with something that is not a reply: " +
                       client::JsonQuote(body.substr(0, 200))};
  }
  return {true, "starts, answers NATIVEVERSION with '" + client::Utf16ToDisplay(data->Text) +
                    "' in " + std::to_string(elapsed.count()) + " ms, ends when its input closes"};
}

}  // namespace ferolant::reg
