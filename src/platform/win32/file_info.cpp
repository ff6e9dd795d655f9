#include "platform/file_info.h"

#include <windows.h>

namespace platform {

namespace {

// A zero would end the name early, and wildcards would let a lookup report some other file.
bool UsableName(const std::string& name) noexcept {
  return !name.empty() && name.find_first_of(std::string_view("\0*?", 3)) == std::string::npos;
}

}  // namespace

bool FileExists(const std::string& name) noexcept {
  if (!UsableName(name)) return false;
  const DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::uint64_t> FindFileSize(const std::string& name) noexcept {
  if (!UsableName(name)) return std::nullopt;
  // The directory entry's size: no need to open the file, which another program may hold.
  WIN32_FIND_DATAA entry{};
  HANDLE search = FindFirstFileA(name.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
}

}  // namespace platform
