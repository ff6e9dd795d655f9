#pragma once
// A shared library opened from an exact, absolute path and closed with its owner.
//
// Libraries are never looked up through a search path or the current directory: a planted
// library of the same name must not be able to stand in for the signing library.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The calling convention of functions exported by the signing library: the system's standard
// convention on 32-bit Windows, the C convention elsewhere.
#if defined(_WIN32)
#define FEROLANT_LIBCALL __stdcall
#else
#define FEROLANT_LIBCALL
#endif

namespace platform {

// Any exported function, to be cast to its real type by the caller.
using TLibraryProc = void (*)();

class TDynamicLibrary {
 public:
  // Opens the library at `path`, which must be absolute. On failure returns nothing and puts
  // the system's reason into `error`.
  static std::optional<TDynamicLibrary> Open(const std::filesystem::path::string_type& path,
                                             std::string& error);

  TDynamicLibrary(TDynamicLibrary&& other) noexcept : FHandle(other.FHandle) {
    other.FHandle = nullptr;
  }
  TDynamicLibrary& operator=(TDynamicLibrary&& other) noexcept;
  TDynamicLibrary(const TDynamicLibrary&) = delete;
  TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;
  ~TDynamicLibrary();

  // The exported function of that exact name, or null.
  TLibraryProc Find(const char* name) const noexcept;

 private:
  explicit TDynamicLibrary(void* handle) noexcept : FHandle(handle) {}
  void* FHandle;
};

// The file name a library called `stem` has on this platform: "libtavrin.so" for "Tavrin" on
// POSIX, "Tavrin.dll" on Windows.
std::filesystem::path::string_type LibraryFileName(std::string_view stem);

}  // namespace platform
