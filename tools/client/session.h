#pragma once
// A whole client run: start the host, send the requests one after another, show every
// exchange, close the host's input and see that it ends.
#include <ostream>
#include <string>
#include <vector>

#include "tools/client/exchange.h"
#include "tools/client/report.h"

namespace ferolant::client {

struct SessionConfig {
  std::string host_path;
  std::vector<std::string> requests;  // bodies, sent as they are
  ExchangeOptions exchange;
  ReportOptions report;
  std::string data_out;  // when set, each exchange's reassembled data goes there as UTF-8 lines
  bool strict = false;   // a non-zero errNo or a reply problem also fails the run
};

// Exit codes of a session.
inline constexpr int kSessionOk = 0;
inline constexpr int kSessionFailed = 1;
inline constexpr int kSessionCannotStart = 2;

int RunSession(const SessionConfig& config, std::ostream& out, std::ostream& err);

// A request as an extension sends it, with the method and the parameters param1, param2, ...
std::string BuildRequest(const std::string& method, const std::vector<std::string>& params,
                         long long tab_id);

}  // namespace ferolant::client
