#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <cctype>

namespace platform {

std::optional<TDynamicLibrary> TDynamicLibrary::Open(const std::filesystem::path::string_type& path,
                                                     std::string& error) {
  // dlopen searches LD_LIBRARY_PATH and friends for a name without a slash; an absolute
  // path is opened as it is.
  if (!path.starts_with('/')) {
    error = "not an absolute path";
    return std::nullopt;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot be loaded";
    return std::nullopt;
  }
  return TDynamicLibrary(handle);
}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& other) noexcept {
  if (this != &other) {
    if (FHandle != nullptr) dlclose(FHandle);
    FHandle = other.FHandle;
    other.FHandle = nullptr;
  }
  return *this;
}

TDynamicLibrary::~TDynamicLibrary() {
  if (FHandle != nullptr) dlclose(FHandle);
}

TLibraryProc TDynamicLibrary::Find(const char* name) const noexcept {
  void* symbol = dlsym(FHandle, name);
  return reinterpret_cast<TLibraryProc>(symbol);
}

std::filesystem::path::string_type LibraryFileName(std::string_view stem) {
  std::string name = "lib";
  for (char c : stem) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  name += ".so";
  return name;
}

}  // namespace platform
