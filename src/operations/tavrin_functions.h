#pragma once
// The signing library's functions, one row each: the name it is bound and exported by, and its
// parameters. Every function returns a 32-bit status, 0 meaning success.
//
// This is the one list of them. The binding (uTavrinDLL.h), the fuzzer's fake library, the
// exports of the stand-in and of the signer (through FEROLANT_TAVRIN_DECLARE_EXPORT below and
// the export lists the build writes from these rows), and the PE check of the Windows library
// are all made from it. The build reads the rows as text (cmake/TavrinFunctions.cmake): each row
// starts a line with "X(" and the name.
//
// Argument kinds at this boundary:
//   in-text  - a system string the host owns; the empty text is a null pointer.
//   out-text - the address of a null TBstr; the library may store a new system string there,
//              which the host then owns and frees with SysFreeString.
//   int      - a 32-bit signed number.

#include <cstdint>

#include "platform/dynamic_library.h"
#include "platform/ole_string.h"

using TBstr = platform::TBstr;
using TInText = const platform::TOleChar*;

// clang-format off
#define FEROLANT_TAVRIN_FUNCTIONS(X)                                                             \
  X(AboutW, (TBstr* about))                                                                      \
  X(GetLastErrorStrW, (TBstr* message))                                                          \
  X(GetCfgCodePageNumberW, (std::uint16_t* codePage))                                            \
  X(SetCfgCodePageNumberW, (std::int32_t codePage))                                              \
  X(SetCfgSignatureHashAlgorithmNumberW, (std::int32_t algorithm))                               \
  X(SetCfgSigningCertificateHashAlgorithmNumberW, (std::int32_t algorithm))                      \
  X(SignDetachedW, (TInText text, TBstr* signature, std::int32_t number))                        \
  X(SignFileDetachedW, (TInText fileName, TBstr* signature, std::int32_t number))                \
  X(EncodeFileW, (TInText fileName, TBstr* encoded))                                             \
  X(GetLastCertSenderSignatureSNW, (TBstr* serial))                                              \
  X(GetFileNameDlgW, (TInText text1, TInText text2, TInText text3, TInText text4,                \
                      std::int32_t mode, TBstr* result))
// clang-format on

// For a library that defines the functions: each declared as its row says, so that a
// definition that strays from its row does not compile.
#define FEROLANT_TAVRIN_DECLARE_EXPORT(name, parameters) \
  extern "C" std::int32_t FEROLANT_LIBCALL name parameters;
