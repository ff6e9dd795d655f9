// ferolant-client: talks to a native messaging host the way a browser does, for people who
// debug an extension or an installation.
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"
#include "session.h"

namespace {

constexpr const char* kUsage =
    R"(usage: ferolant-client [options] [{...} | METHOD | -m METHOD [-p PARAM]...]...

Starts the host, sends each request as one native messaging frame, prints every reply
decoded, fetches the rest of a long result with GETNEXTBLOCK and prints it reassembled.

  {...}             a request body (an argument starting with '{'), sent as given
  METHOD            a bare method name: the same as -m METHOD
  --body TEXT       any text sent exactly as given as one request (broken ones too)
  -                 read requests from standard input, one per line (# starts a comment)
  -m, --method M    a request for method M; the -p that follow are param1, param2, ...
  -p, --param TEXT  the next parameter of the last -m request
  --tab N           tabID of the -m requests that follow (default: 1, 2, 3, ...)
  --host PATH       host executable (default: ferolant beside this program)
  --timeout SEC     how long to wait for each reply (default 30)
  --no-follow       do not send GETNEXTBLOCK by itself
  --show N          show at most N bytes of each text (default 2000, 0 = all)
  --raw             also print each reply body as received
  --data-out FILE   write each request's reassembled data to FILE, one line each
  --strict          also fail when a reply has errNo other than 0 or a broken shape
  -h, --help        this text

With no requests at all, requests are read from standard input.
Exit status: 0 every request answered, 1 a request failed, 2 bad usage or no host.
)";

struct PendingMethod {
  std::string method;
  std::vector<std::string> params;
  long long tab = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace ferolant::client;
  UseUtf8Console();
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  SessionConfig config;
  config.host_path = DefaultHostPath();
  std::optional<PendingMethod> pending;
  long long next_tab = 1;
  std::optional<long long> fixed_tab;
  bool read_stdin = false;

  const auto flush = [&] {
    if (pending)
      config.requests.push_back(BuildRequest(pending->method, pending->params, pending->tab));
    pending.reset();
  };
  const auto usage_error = [](const std::string& message) {
    std::cerr << "ferolant-client: " << message << "\n\n" << kUsage;
    return kSessionCannotStart;
  };

  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    try {
      if (arg == "-h" || arg == "--help") {
        std::cout << kUsage;
        return kSessionOk;
      } else if (arg == "-m" || arg == "--method") {
        if (!value(v)) return usage_error("-m needs a method name");
        flush();
        pending = PendingMethod{v, {}, fixed_tab.value_or(next_tab++)};
      } else if (arg == "--body") {
        if (!value(v)) return usage_error("--body needs a text");
        flush();
        config.requests.push_back(v);
      } else if (arg == "-p" || arg == "--param") {
        if (!value(v)) return usage_error("-p needs a value");
        if (!pending) return usage_error("-p must follow -m");
        pending->params.push_back(v);
      } else if (arg == "--tab") {
        if (!value(v)) return usage_error("--tab needs a number");
        fixed_tab = std::stoll(v);
      } else if (arg == "--host") {
        if (!value(v)) return usage_error("--host needs a path");
        config.host_path = v;
      } else if (arg == "--timeout") {
        if (!value(v)) return usage_error("--timeout needs seconds");
        config.exchange.timeout =
            std::chrono::milliseconds(static_cast<long long>(std::stod(v) * 1000));
      } else if (arg == "--show") {
        if (!value(v)) return usage_error("--show needs a number");
        config.report.show = std::stoul(v);
      } else if (arg == "--data-out") {
        if (!value(v)) return usage_error("--data-out needs a file name");
        config.data_out = v;
      } else if (arg == "--no-follow") {
        config.exchange.follow_blocks = false;
      } else if (arg == "--raw") {
        config.report.raw = true;
      } else if (arg == "--strict") {
        config.strict = true;
      } else if (arg == "-") {
        flush();
        read_stdin = true;
      } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
        return usage_error("unknown option " + std::string(arg));
      } else if (arg[0] == '{') {
        flush();
        config.requests.emplace_back(arg);
      } else {
        flush();
        pending = PendingMethod{std::string(arg), {}, fixed_tab.value_or(next_tab++)};
      }
    } catch (const std::exception&) {
      return usage_error("bad value for " + std::string(arg) + ": " + v);
    }
  }
  flush();

  if (read_stdin || config.requests.empty()) {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      config.requests.push_back(line);
    }
  }
  if (config.requests.empty()) return usage_error("no requests");
  return RunSession(config, std::cout, std::cerr);
}
