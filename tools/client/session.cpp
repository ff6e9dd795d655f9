#include "tools/client/session.h"

#include <chrono>
#include <fstream>

#include "text/utf8_codec.h"
#include "tools/client/text.h"

namespace ferolant::client {

std::string BuildRequest(const std::string& method, const std::vector<std::string>& params,
                         long long tab_id) {
  std::string r = "{\"metoda\":" + JsonQuote(method) + ",\"parametry\":{";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) r += ',';
    r += "\"param" + std::to_string(i + 1) + "\":" + JsonQuote(params[i]);
  }
  r += "},\"tabID\":" + std::to_string(tab_id) + "}";
  return r;
}

int RunSession(const SessionConfig& config, std::ostream& out, std::ostream& err) {
  std::string error;
  auto host = HostProcess::Start(config.host_path, error);
  if (!host) {
    err << "ferolant-client: " << error << '\n';
    return kSessionCannotStart;
  }
  out << "host " << config.host_path << " started, pid " << host->pid() << '\n';

  std::ofstream data_out;
  if (!config.data_out.empty()) {
    data_out.open(config.data_out, std::ios::binary | std::ios::trunc);
    if (!data_out) {
      err << "ferolant-client: cannot write " << config.data_out << '\n';
      return kSessionCannotStart;
    }
  }

  bool failed = false;
  std::size_t number = 0;
  for (const std::string& request : config.requests) {
    const Exchange ex = RunExchange(*host, request, config.exchange);
    PrintExchange(out, ++number, ex, config.report);
    if (data_out) data_out << EncodeUtf8(ex.data, TUtf8Mode::umReplace) << '\n';
    if (!ex.ok()) {
      failed = true;
      break;  // the host's state is unknown now; later replies would be misread
    }
    if (config.strict) {
      for (const Reply& r : ex.replies) {
        if (!r.problems.empty() || r.err_no.value_or(0) != 0) failed = true;
      }
    }
  }

  // Like a browser letting go of the port: close the host's input and see that it ends.
  const auto closed_at = std::chrono::steady_clock::now();
  host->CloseInput();
  if (const auto status = host->WaitExit(std::chrono::seconds(5))) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - closed_at);
    out << "host ended " << ms.count() << " ms after its input was closed, "
        << DescribeExit(*status) << '\n';
  } else {
    out << "host still running 5 s after its input was closed; ending it\n";
    if (config.strict) failed = true;
  }
  return failed ? kSessionFailed : kSessionOk;
}

}  // namespace ferolant::client
