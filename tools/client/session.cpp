#include "tools/client/session.h"

#include <chrono>
#include <fstream>

#include "text/utf8_codec.h"
#include "tools/client/text.h"

namespace ferolant::client {

std::string BuildRequest(const std::string& method, const std::vector<std::string>& params,
                         long long tabId) {
  std::string r = "{\"metoda\":" + JsonQuote(method) + ",\"parametry\":{";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) r += ',';
    r += "\"param" + std::to_string(i + 1) + "\":" + JsonQuote(params[i]);
  }
  r += "},\"tabID\":" + std::to_string(tabId) + "}";
  return r;
}

int RunSession(const TSessionConfig& config, std::ostream& out, std::ostream& err) {
  std::string error;
  auto host = THostProcess::Start(config.HostPath, error);
  if (!host) {
    err << "ferolant-client: " << error << '\n';
    return kSessionCannotStart;
  }
  out << "host " << config.HostPath << " started, pid " << host->Pid() << '\n';

  std::ofstream dataOut;
  if (!config.DataOut.empty()) {
    dataOut.open(config.DataOut, std::ios::binary | std::ios::trunc);
    if (!dataOut) {
      err << "ferolant-client: cannot write " << config.DataOut << '\n';
      return kSessionCannotStart;
    }
  }

  bool failed = false;
  std::size_t number = 0;
  for (const std::string& request : config.Requests) {
    const TExchange ex = RunExchange(*host, request, config.Exchange);
    PrintExchange(out, ++number, ex, config.Report);
    if (dataOut) dataOut << EncodeUtf8(ex.Data, TUtf8Mode::umReplace) << '\n';
    if (!ex.Succeeded()) {
      failed = true;
      break;  // the host's state is unknown now; later replies would be misread
    }
    if (config.Strict) {
      for (const TReply& r : ex.Replies) {
        if (!r.Problems.empty() || r.ErrNo.value_or(0) != 0) failed = true;
      }
    }
  }

  // Like a browser letting go of the port: close the host's input and see that it ends.
  const auto closedAt = std::chrono::steady_clock::now();
  host->CloseInput();
  if (const auto status = host->WaitExit(std::chrono::seconds(5))) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - closedAt);
    out << "host ended " << ms.count() << " ms after its input was closed, "
        << DescribeExit(*status) << '\n';
  } else {
    out << "host still running 5 s after its input was closed; ending it\n";
    if (config.Strict) failed = true;
  }
  return failed ? kSessionFailed : kSessionOk;
}

}  // namespace ferolant::client
