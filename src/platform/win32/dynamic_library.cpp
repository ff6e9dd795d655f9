#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/win32/system_error_text.h"

namespace platform {

std::optional<TDynamicLibrary> TDynamicLibrary::Open(const std::filesystem::path::string_type& path,
                                                     std::string& error) {
  // A bare name would be looked up through the current directory and PATH, where a planted
  // Tavrin.dll could wait; only a full path is accepted. The library's own dependencies are
  // then searched from its folder first.
  if (!std::filesystem::path(path).is_absolute()) {
    error = "not an absolute path";
    return std::nullopt;
  }
  // No "insert the disk" or "entry point not found" boxes: the failure is reported instead.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD failure = module == nullptr ? GetLastError() : 0;
  SetErrorMode(previousMode);
  if (module == nullptr) {
    error = win32::SystemErrorText(failure);
    return std::nullopt;
  }
  return TDynamicLibrary(module);
}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& other) noexcept {
  if (this != &other) {
    if (FHandle != nullptr) FreeLibrary(static_cast<HMODULE>(FHandle));
    FHandle = other.FHandle;
    other.FHandle = nullptr;
  }
  return *this;
}

TDynamicLibrary::~TDynamicLibrary() {
  if (FHandle != nullptr) FreeLibrary(static_cast<HMODULE>(FHandle));
}

TLibraryProc TDynamicLibrary::Find(const char* name) const noexcept {
  return reinterpret_cast<TLibraryProc>(GetProcAddress(static_cast<HMODULE>(FHandle), name));
}

std::filesystem::path::string_type LibraryFileName(std::string_view stem) {
  return std::wstring(stem.begin(), stem.end()) + L".dll";
}

}  // namespace platform
