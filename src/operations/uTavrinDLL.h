#pragma once
// The signing library's functions (tavrin_functions.h), bound by name from the library that ships
// next to the executable. Everything else in the host reaches the library only through
// TTavrinFunctions, so tests and fuzzers can put an in-process fake in its place.

#include <filesystem>
#include <memory>
#include <string>

#include "operations/tavrin_functions.h"
#include "platform/dynamic_library.h"
#include "platform/ole_string.h"

struct TTavrinFunctions {
#define FEROLANT_TAVRIN_POINTER(name, parameters) \
  std::int32_t(FEROLANT_LIBCALL* name) parameters = nullptr;
  FEROLANT_TAVRIN_FUNCTIONS(FEROLANT_TAVRIN_POINTER)
#undef FEROLANT_TAVRIN_POINTER

  // Frees what the out-texts return. Not bound: the library and the host share the system's
  // allocator. A fake may count here.
  using TFreeString = void (*)(TBstr text) noexcept;
  TFreeString FreeString = platform::SysFreeString;
};

// The loaded library together with its functions; the functions stay valid while it lives.
struct TTavrinLibrary {
  platform::TDynamicLibrary module;
  TTavrinFunctions functions;
};

// Either the bound library or one line that says which library failed and why.
struct TTavrinBinding {
  std::unique_ptr<TTavrinLibrary> library;
  std::string error;
};

// The signing library's file name on this platform ("Tavrin.dll", "libtavrin.so").
std::filesystem::path TavrinLibraryFileName();

// Binds the signing library that lies in the executable's own folder.
TTavrinBinding BindTavrinLibrary();

// Binds the library at `libraryPath`, which must be absolute.
TTavrinBinding BindTavrinLibrary(const std::filesystem::path& libraryPath);
