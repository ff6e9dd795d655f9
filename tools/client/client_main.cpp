// ferolant-client: talks to a native messaging host the way a browser does, for people who
// debug an extension or an installation.
#include <iostream>
#include <string>

#include "tools/client/console.h"
#include "tools/client/options.h"
#include "tools/client/session.h"

int main(int argc, char** argv) {
  using namespace ferolant::client;
  UseUtf8Console();
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  const auto usageError = [](const std::string& message) {
    std::cerr << "ferolant-client: " << message << "\n\n" << kClientUsage;
    return kSessionCannotStart;
  };
  TClientOptions options;
  try {
    options = ParseOptions({args.begin() + (args.empty() ? 0 : 1), args.end()}, DefaultHostPath());
  } catch (const TUsageError& error) {
    return usageError(error.what());
  }
  if (options.Help) {
    std::cout << kClientUsage;
    return kSessionOk;
  }
  TSessionConfig& config = options.Config;
  if (options.ReadStdin || config.Requests.empty()) {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      config.Requests.push_back(line);
    }
  }
  if (config.Requests.empty()) return usageError("no requests");
  return RunSession(config, std::cout, std::cerr);
}
