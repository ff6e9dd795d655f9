#pragma once
// The signing library's eleven functions, bound by name from the library that ships next to the
// executable. Everything else in the host reaches the library only through TTavrinFunctions, so
// tests and fuzzers can put an in-process fake in its place.
//
// Argument kinds at this boundary:
//   in-text  - a system string the host owns; the empty text is a null pointer.
//   out-text - the address of a null TBstr; the library may store a new system string there,
//              which the host then owns and frees with SysFreeString.
//   int      - a 32-bit signed number.
// Every function returns a 32-bit status, 0 meaning success.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/ole_string.h"

using TBstr = platform::TBstr;
using TInText = const platform::TOleChar*;

struct TTavrinFunctions {
  using TAboutW = std::int32_t(FEROLANT_LIBCALL*)(TBstr* about);
  using TGetLastErrorStrW = std::int32_t(FEROLANT_LIBCALL*)(TBstr* message);
  using TGetCfgCodePageNumberW = std::int32_t(FEROLANT_LIBCALL*)(std::uint16_t* codePage);
  using TSetNumberW = std::int32_t(FEROLANT_LIBCALL*)(std::int32_t number);
  using TSignW = std::int32_t(FEROLANT_LIBCALL*)(TInText input, TBstr* signature,
                                                 std::int32_t number);
  using TEncodeFileW = std::int32_t(FEROLANT_LIBCALL*)(TInText fileName, TBstr* encoded);
  using TGetLastCertSenderSignatureSNW = std::int32_t(FEROLANT_LIBCALL*)(TBstr* serial);
  using TGetFileNameDlgW = std::int32_t(FEROLANT_LIBCALL*)(TInText text1, TInText text2,
                                                           TInText text3, TInText text4,
                                                           std::int32_t mode, TBstr* result);

  TAboutW AboutW = nullptr;
  TGetLastErrorStrW GetLastErrorStrW = nullptr;
  TGetCfgCodePageNumberW GetCfgCodePageNumberW = nullptr;
  TSetNumberW SetCfgCodePageNumberW = nullptr;
  TSetNumberW SetCfgSignatureHashAlgorithmNumberW = nullptr;
  TSetNumberW SetCfgSigningCertificateHashAlgorithmNumberW = nullptr;
  TSignW SignDetachedW = nullptr;
  TSignW SignFileDetachedW = nullptr;
  TEncodeFileW EncodeFileW = nullptr;
  TGetLastCertSenderSignatureSNW GetLastCertSenderSignatureSNW = nullptr;
  TGetFileNameDlgW GetFileNameDlgW = nullptr;

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
