#include "platform/executable_path.h"

#include <system_error>

namespace platform {

std::optional<std::filesystem::path> ExecutablePath() {
  std::error_code failed;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed || !path.is_absolute()) return std::nullopt;
  return path;
}

}  // namespace platform
