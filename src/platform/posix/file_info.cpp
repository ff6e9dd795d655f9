#include "platform/file_info.h"

#include <sys/stat.h>

namespace platform {

bool FileExists(const std::string& name) noexcept {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> FindFileSize(const std::string& name) noexcept {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace platform
