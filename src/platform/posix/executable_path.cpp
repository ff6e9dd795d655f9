#include "platform/executable_path.h"

#include <unistd.h>

#include <string>

namespace platform {

std::optional<std::filesystem::path> ExecutablePath() {
  // The link read straight, without the status query that the library's
  // read_symlink makes first: the host asks this once at every start.
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return std::nullopt;
    // A target that fills the buffer may have been cut short: read it again into more room.
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    if (target.size() >= 65536) return std::nullopt;
    target.resize(target.size() * 2);
  }
  if (target.empty() || target.front() != '/') return std::nullopt;
  return std::filesystem::path(std::move(target));
}

}  // namespace platform
