#include "platform/executable_path.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

// The module's own file name, however long: the buffer grows until the name fits.
std::optional<std::wstring> ModuleFileName() {
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
  return buffer;
}

}  // namespace

std::optional<std::filesystem::path> ExecutablePath() {
  const std::optional<std::wstring> name = ModuleFileName();
  if (!name) return std::nullopt;
  std::filesystem::path path(*name);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::optional<TNativePath> PathBesideExecutable(const TNativePath& name) {
  std::optional<std::wstring> path = ModuleFileName();
  if (!path || !std::filesystem::path(*path).is_absolute()) return std::nullopt;
  path->resize(path->find_last_of(L"\\/") + 1);
  return path->append(name);
}

}  // namespace platform
