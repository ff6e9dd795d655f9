#include "tools/client/options.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace ferolant::client {

const char* const kClientUsage =
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
;

namespace {

struct PendingMethod {
  std::string method;
  std::vector<std::string> params;
  long long tab = 0;
};

}  // namespace

ClientOptions ParseOptions(const std::vector<std::string>& args, const std::string& default_host) {
  ClientOptions options;
  SessionConfig& config = options.config;
  config.host_path = default_host;
  std::optional<PendingMethod> pending;
  long long next_tab = 1;
  std::optional<long long> fixed_tab;

  const auto flush = [&] {
    if (pending)
      config.requests.push_back(BuildRequest(pending->method, pending->params, pending->tab));
    pending.reset();
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string v;
    const auto value = [&](const char* missing) {
      if (i + 1 >= args.size()) throw UsageError(missing);
      v = args[++i];
    };
    try {
      if (arg == "-h" || arg == "--help") {
        options.help = true;
        return options;
      } else if (arg == "-m" || arg == "--method") {
        value("-m needs a method name");
        flush();
        pending = PendingMethod{v, {}, fixed_tab.value_or(next_tab++)};
      } else if (arg == "--body") {
        value("--body needs a text");
        flush();
        config.requests.push_back(v);
      } else if (arg == "-p" || arg == "--param") {
        value("-p needs a value");
        if (!pending) throw UsageError("-p must follow -m");
        pending->params.push_back(v);
      } else if (arg == "--tab") {
        value("--tab needs a number");
        fixed_tab = std::stoll(v);
      } else if (arg == "--host") {
        value("--host needs a path");
        config.host_path = v;
      } else if (arg == "--timeout") {
        value("--timeout needs seconds");
        config.exchange.timeout =
            std::chrono::milliseconds(static_cast<long long>(std::stod(v) * 1000));
      } else if (arg == "--show") {
        value("--show needs a number");
        config.report.show = std::stoul(v);
      } else if (arg == "--data-out") {
        value("--data-out needs a file name");
        config.data_out = v;
      } else if (arg == "--no-follow") {
        config.exchange.follow_blocks = false;
      } else if (arg == "--raw") {
        config.report.raw = true;
      } else if (arg == "--strict") {
        config.strict = true;
      } else if (arg == "-") {
        flush();
        options.read_stdin = true;
      } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
        throw UsageError("unknown option " + std::string(arg));
      } else if (arg[0] == '{') {
        flush();
        config.requests.emplace_back(arg);
      } else {
        flush();
        pending = PendingMethod{std::string(arg), {}, fixed_tab.value_or(next_tab++)};
      }
    } catch (const UsageError&) {
      throw;
    } catch (const std::exception&) {
      throw UsageError("bad value for " + std::string(arg) + ": " + v);
    }
  }
  flush();
  return options;
}

}  // namespace ferolant::client
