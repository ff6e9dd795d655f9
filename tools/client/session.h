#pragma once
// A whole client run: start the host, send the requests one after another, show every
// exchange, close the host's input and see that it ends.
#include <ostream>
#include <string>
#include <vector>

#include "tools/client/exchange.h"
#include "tools/client/report.h"

namespace ferolant::client {

struct TSessionConfig {
  std::string HostPath;
  std::vector<std::string> Requests;  // bodies, sent as they are
  TExchangeOptions Exchange;
  TReportOptions Report;
  std::string DataOut;  // when set, each exchange's reassembled data goes there as UTF-8 lines
  bool Strict = false;  // a non-zero errNo or a reply problem also fails the run
};

// Exit codes of a session.
inline constexpr int kSessionOk = 0;
inline constexpr int kSessionFailed = 1;
inline constexpr int kSessionCannotStart = 2;

int RunSession(const TSessionConfig& config, std::ostream& out, std::ostream& err);

// A request as an extension sends it, with the method and the parameters param1, param2, ...
std::string BuildRequest(const std::string& method, const std::vector<std::string>& params,
                         long long tabId);

}  // namespace ferolant::client
