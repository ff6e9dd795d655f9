// Runs the real worker over in-memory streams and reads its replies back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "channel/NMKomunikace.h"
#include "json/value/jsonvalue.h"
#include "platform/code_page.h"
#include "tests/support/fake_host.h"
#include "tests/support/memory_streams.h"

// One reply frame: its body as sent and its members as read back.
struct TReply {
  std::string Body;
  std::int64_t TabID = 0;
  std::u16string Method;
  std::int64_t ErrNo = 0;
  std::u16string ErrMsg;
  std::u16string Data;
  std::int64_t HasNextPart = -1;
};

// Cuts the output into frames and reads each body with the host's own reader.
inline std::vector<TReply> ReadReplies(const std::string& bytes) {
  std::vector<TReply> replies;
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const std::uint32_t n = FrameLength(bytes.data() + at);
    if (at + 4 + n > bytes.size()) throw std::runtime_error("a reply frame is cut short");
    TReply reply;
    reply.Body = bytes.substr(at + 4, n);
    at += 4 + n;
    const IJsonValue value = ParseJson(platform::ThreadAnsiToWide(reply.Body));
    if (!value) throw std::runtime_error("a reply is not JSON: " + reply.Body);
    reply.TabID = value->GetInt(u"tabID");
    reply.Method = value->GetText(u"metoda");
    reply.ErrNo = value->GetInt(u"errNo");
    reply.ErrMsg = value->GetText(u"errMsg");
    reply.Data = value->GetText(u"result.data");
    reply.HasNextPart = value->GetInt(u"result.hasNextPart");
    replies.push_back(std::move(reply));
  }
  if (at != bytes.size()) throw std::runtime_error("stray bytes after the last reply");
  return replies;
}

// A worker whose handlers can be stood in for: a message that starts with
// "!" is not parsed; OnCommand gets the rest and may call SendReply with any
// method name set. Everything else goes through the real intake.
class TTestWorker final : public TNMKomunikace {
 public:
  using TNMKomunikace::TNMKomunikace;

  std::function<void(TTestWorker&, const std::string&)> OnCommand;

  void SetMethodName(std::string name) {
    TRequest request;
    request.Route = RouteOf(name);
    request.Method = std::move(name);
    Accept(std::move(request));
  }
  bool PendingLeft() const { return !PendingEmpty(); }

 protected:
  void ProcessRequest() override {
    if (OnCommand && !RequestText().empty() && RequestText()[0] == '!') {
      OnCommand(*this, RequestText().substr(1));
      return;
    }
    TNMKomunikace::ProcessRequest();
  }
};

class TWorkerHarness {
 public:
  // Runs a worker's whole life over the given request bodies, each in a frame.
  std::vector<TReply> Run(const std::vector<std::string>& bodies) {
    std::string input;
    for (const auto& body : bodies) input += Frame(body);
    RunBytes(input);
    return ReadReplies(Output.Bytes);
  }

  // Runs a worker over raw input; its output is left in Output.
  void RunBytes(const std::string& input) {
    Input = std::make_unique<TScriptedInput>(std::vector<std::string>{input});
    Worker = std::make_unique<TTestWorker>(
        MainThread, Form,
        [this] {
          return TStreamPair{std::make_unique<TBorrowedStream>(*Input),
                             std::make_unique<TBorrowedStream>(Output)};
        },
        Setup);
    Worker->OnCommand = OnCommand;
    Worker->RunHere();
  }

  TWorkerSetup Setup;
  std::function<void(TTestWorker&, const std::string&)> OnCommand;
  TInlineMainThread MainThread;
  TFakeHostForm Form;
  std::unique_ptr<TScriptedInput> Input;
  TRecordingOutput Output;
  std::unique_ptr<TTestWorker> Worker;
};
