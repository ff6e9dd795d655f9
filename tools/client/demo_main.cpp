// ferolant-demo: a short tour of the host with the stand-in signing library, printing each
// request and the decoded reply.
#include <iostream>

#include "tools/client/console.h"
#include "tools/client/session.h"

int main(int argc, char** argv) {
  using namespace ferolant::client;
  UseUtf8Console();
  const std::vector<std::string> args = Utf8Arguments(argc, argv);
  TSessionConfig config;
  config.HostPath = args.size() > 1 ? args[1] : DefaultHostPath();
  config.Report.Show = 300;

  long long tab = 0;
  const auto add = [&](const std::string& method, std::vector<std::string> params = {}) {
    config.Requests.push_back(BuildRequest(method, params, ++tab));
  };
  add("NATIVEVERSION");
  add("ABOUT");
  add("INIT");
  add("SIGNDETACHED", {"Žluťoučký kůň úpěl ďábelské ódy 😀", "0"});
  add("GETLASTCERTSENDERSIGNATURESN");
  add("GETFILESIZE", {config.HostPath});
  // The stand-in answers 20000000 + L with L non-ASCII code units: a million of them go out in
  // blocks that the client fetches with GETNEXTBLOCK and joins.
  add("SIGNDETACHED", {"long", "21000000"});
  add("nativeversion");
  add("NOSUCHMETHOD");
  config.Requests.push_back(R"({"metoda":"INIT","parametry":[]})");

  std::cout << "ferolant-demo: " << config.Requests.size() << " requests to " << config.HostPath
            << "\n\n";
  return RunSession(config, std::cout, std::cerr);
}
