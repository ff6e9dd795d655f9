#pragma once
// One request and everything it brings back: the reply, and when the data is long, the
// GETNEXTBLOCK replies that carry the rest, reassembled.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/client/host_process.h"
#include "tools/client/json_lite.h"

namespace ferolant::client {

struct TReply {
  std::string Body;  // the frame's bytes as received
  bool Parsed = false;
  std::optional<std::int64_t> TabId;
  std::optional<std::int64_t> ErrNo;
  std::optional<std::int64_t> HasNextPart;
  std::u16string Metoda;
  std::u16string ErrMsg;
  std::u16string Data;
  // Whatever a browser or an extension would trip over: an unreadable body, a missing or
  // mistyped member, a frame over the browsers' limit.
  std::vector<std::string> Problems;
};

// Reads a reply body and checks it against the reply shape the extension expects.
TReply DecodeReply(std::string body);

struct TExchange {
  std::string Request;
  std::vector<TReply> Replies;  // the first reply, then one per GETNEXTBLOCK
  std::u16string Data;          // the data of all replies, concatenated
  std::string Failure;  // set when the host did not answer properly; the exchange is cut there

  bool Succeeded() const { return Failure.empty(); }
  std::size_t ProblemCount() const;
};

struct TExchangeOptions {
  std::chrono::milliseconds Timeout{30000};  // per reply
  bool FollowBlocks = true;
  std::size_t MaxBlocks = 100000;  // a host that never says "last block" must not hold us
};

// Sends one request body as it is and collects the replies.
TExchange RunExchange(THostProcess& host, const std::string& request,
                      const TExchangeOptions& options);

// The request GETNEXTBLOCK sends; tabID repeats that of the reply being continued.
std::string NextBlockRequest(std::int64_t tabId);

}  // namespace ferolant::client
