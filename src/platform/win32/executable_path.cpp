#include "platform/executable_path.h"

#include <windows.h>

#include <string>

namespace platform {

std::optional<std::filesystem::path> ExecutablePath() {
  // The module's own file name, however long: the buffer grows until the name fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    if (buffer.size() >= 32768) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  std::filesystem::path path(buffer);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::optional<TNativePath> PathBesideExecutable(const TNativePath& name) {
  // Only the POSIX start is timed against a peer; here the path library does the cutting.
  const std::optional<std::filesystem::path> executable = ExecutablePath();
  if (!executable) return std::nullopt;
  return (executable->parent_path() / name).native();
}

}  // namespace platform
