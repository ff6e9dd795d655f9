// ferolant-register: registers the host with the browsers of this machine, removes it again,
// and tells why a browser would not find it.
#include <filesystem>
#include <iostream>

#include "tools/client/console.h"
#include "tools/client/host_process.h"
#include "tools/register/register.h"
#include "tools/register/utf8_path.h"

namespace {

// The host beside this program (the build tree, an MSI's folder); failing that, where the
// Linux package puts it.
std::string DefaultHost() {
  std::string beside = ferolant::client::DefaultHostPath();
#ifdef FEROLANT_PACKAGED_HOST
  std::error_code ec;
  if (!std::filesystem::exists(ferolant::reg::PathFromUtf8(beside), ec))
    return FEROLANT_PACKAGED_HOST;
#endif
  return beside;
}

}  // namespace

int main(int argc, char** argv) {
  ferolant::client::UseUtf8Console();
  std::vector<std::string> args = ferolant::client::Utf8Arguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  return ferolant::reg::RunRegister(args, DefaultHost(), std::cout, std::cerr);
}
