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

struct Reply {
  std::string body;  // the frame's bytes as received
  bool parsed = false;
  std::optional<std::int64_t> tab_id;
  std::optional<std::int64_t> err_no;
  std::optional<std::int64_t> has_next_part;
  std::u16string metoda;
  std::u16string err_msg;
  std::u16string data;
  // Whatever a browser or an extension would trip over: an unreadable body, a missing or
  // mistyped member, a frame over the browsers' limit.
  std::vector<std::string> problems;
};

// Reads a reply body and checks it against the reply shape the extension expects.
Reply DecodeReply(std::string body);

struct Exchange {
  std::string request;
  std::vector<Reply> replies;  // the first reply, then one per GETNEXTBLOCK
  std::u16string data;         // the data of all replies, concatenated
  std::string failure;  // set when the host did not answer properly; the exchange is cut there

  bool ok() const { return failure.empty(); }
  std::size_t problem_count() const;
};

struct ExchangeOptions {
  std::chrono::milliseconds timeout{30000};  // per reply
  bool follow_blocks = true;
  std::size_t max_blocks = 100000;  // a host that never says "last block" must not hold us
};

// Sends one request body as it is and collects the replies.
Exchange RunExchange(HostProcess& host, const std::string& request, const ExchangeOptions& options);

// The request GETNEXTBLOCK sends; tabID repeats that of the reply being continued.
std::string NextBlockRequest(std::int64_t tab_id);

}  // namespace ferolant::client
