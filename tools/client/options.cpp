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

struct TPendingMethod {
  std::string Method;
  std::vector<std::string> Params;
  long long Tab = 0;
};

}  // namespace

TClientOptions ParseOptions(const std::vector<std::string>& args, const std::string& defaultHost) {
  TClientOptions options;
  TSessionConfig& config = options.Config;
  config.HostPath = defaultHost;
  std::optional<TPendingMethod> pending;
  long long nextTab = 1;
  std::optional<long long> fixedTab;

  const auto flush = [&] {
    if (pending)
      config.Requests.push_back(BuildRequest(pending->Method, pending->Params, pending->Tab));
    pending.reset();
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string v;
    const auto value = [&](const char* missing) {
      if (i + 1 >= args.size()) throw TUsageError(missing);
      v = args[++i];
    };
    try {
      if (arg == "-h" || arg == "--help") {
        options.Help = true;
        return options;
      } else if (arg == "-m" || arg == "--method") {
        value("-m needs a method name");
        flush();
        pending = TPendingMethod{v, {}, fixedTab.value_or(nextTab++)};
      } else if (arg == "--body") {
        value("--body needs a text");
        flush();
        config.Requests.push_back(v);
      } else if (arg == "-p" || arg == "--param") {
        value("-p needs a value");
        if (!pending) throw TUsageError("-p must follow -m");
        pending->Params.push_back(v);
      } else if (arg == "--tab") {
        value("--tab needs a number");
        fixedTab = std::stoll(v);
      } else if (arg == "--host") {
        value("--host needs a path");
        config.HostPath = v;
      } else if (arg == "--timeout") {
        value("--timeout needs seconds");
        config.Exchange.Timeout =
            std::chrono::milliseconds(static_cast<long long>(std::stod(v) * 1000));
      } else if (arg == "--show") {
        value("--show needs a number");
        config.Report.Show = std::stoul(v);
      } else if (arg == "--data-out") {
        value("--data-out needs a file name");
        config.DataOut = v;
      } else if (arg == "--no-follow") {
        config.Exchange.FollowBlocks = false;
      } else if (arg == "--raw") {
        config.Report.Raw = true;
      } else if (arg == "--strict") {
        config.Strict = true;
      } else if (arg == "-") {
        flush();
        options.ReadStdin = true;
      } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
        throw TUsageError("unknown option " + std::string(arg));
      } else if (arg[0] == '{') {
        flush();
        config.Requests.emplace_back(arg);
      } else {
        flush();
        pending = TPendingMethod{std::string(arg), {}, fixedTab.value_or(nextTab++)};
      }
    } catch (const TUsageError&) {
      throw;
    } catch (const std::exception&) {
      throw TUsageError("bad value for " + std::string(arg) + ": " + v);
    }
  }
  flush();
  return options;
}

}  // namespace ferolant::client
