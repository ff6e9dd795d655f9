#include "signer/dialogs/requester.h"

#include <fstream>
#include <iterator>
#include <string_view>

namespace tavrin::dialogs {

namespace {

constexpr std::string_view kChromiumScheme = "chrome-extension://";
constexpr std::string_view kManifestSuffix = ".json";

bool EndsWith(std::string_view text, std::string_view suffix) noexcept {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

std::string RequesterFromArguments(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.starts_with(kChromiumScheme) && argument.size() > kChromiumScheme.size()) {
      return argument;
    }
  }
  if (arguments.size() >= 2 && EndsWith(arguments[0], kManifestSuffix) && !arguments[1].empty() &&
      !arguments[1].starts_with("-")) {
    return arguments[1];
  }
  return {};
}

std::string RequesterOfThisProcess() {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::size_t start = all.find('\0');  // the program's own name is not an argument
  while (start != std::string::npos && start + 1 < all.size()) {
    const std::size_t end = all.find('\0', start + 1);
    arguments.push_back(all.substr(start + 1, end - start - 1));
    start = end;
  }
  return RequesterFromArguments(arguments);
}

}  // namespace tavrin::dialogs
