// An in-process signing library for the channel fuzzer. Its answers are a
// plain function of what it is given, so what a request carries flows back
// into the reply: echoed texts (with every code unit they hold), statuses and
// error texts chosen by the text, and long results that go out in blocks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "operations/uTavrinDLL.h"

namespace fake_library {

inline std::u16string LastError;
inline std::int32_t CodePage = 1250;

inline std::u16string_view In(TInText text) {
  return text ? std::u16string_view(text, platform::SysStringLen(text)) : std::u16string_view();
}

inline std::int32_t Answer(TBstr* out, std::u16string_view text, std::int32_t status = 0,
                           std::u16string_view error = {}) {
  *out = text.empty()
             ? nullptr
             : platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  LastError.assign(error);
  return status;
}

// A text that starts with "!" fails with a status and the text as its error.
inline std::int32_t Echo(TBstr* out, std::u16string_view text) {
  if (!text.empty() && text.front() == u'!') return Answer(out, {}, 77, text);
  return Answer(out, text);
}

// Numbers from 10000000 ask for that many units above it, up to 1200000:
// ASCII below 20000000, a pattern with surrogate pairs and non-ASCII above.
inline std::int32_t Sign(TInText input, TBstr* out, std::int32_t number) {
  if (number >= 10000000 && number < 30000000) {
    const std::int32_t units = number % 10000000;
    if (units > 1200000) return Answer(out, {}, 9, u"Out of memory");
    static constexpr char16_t kWide[] = u"\u010d\u0159\u00e1\u20ac\U0001F600\u017e\"\\/\t";
    std::u16string text(static_cast<std::size_t>(units), u'A');
    if (number >= 20000000) {
      for (std::size_t i = 0; i < text.size(); ++i) text[i] = kWide[i % (std::size(kWide) - 1)];
    }
    return Answer(out, text);
  }
  return Echo(out, In(input));
}

inline std::int32_t FEROLANT_LIBCALL AboutW(TBstr* about) { return Answer(about, u"fake \u00e1"); }
inline std::int32_t FEROLANT_LIBCALL GetLastErrorStrW(TBstr* message) {
  *message = LastError.empty()
                 ? nullptr
                 : platform::SysAllocStringLen(LastError.data(),
                                               static_cast<std::uint32_t>(LastError.size()));
  return 0;
}
inline std::int32_t FEROLANT_LIBCALL GetCfgCodePageNumberW(std::uint16_t* codePage) {
  *codePage = static_cast<std::uint16_t>(CodePage);
  return 0;
}
inline std::int32_t FEROLANT_LIBCALL SetCfgCodePageNumberW(std::int32_t number) {
  if (number <= 0 || number > 65535) {
    LastError = u"Invalid code page";
    return 1;
  }
  CodePage = number;
  LastError.clear();
  return 0;
}
inline std::int32_t FEROLANT_LIBCALL SetHash(std::int32_t number) {
  LastError.clear();
  return number >= 1 && number <= 4 ? 0 : -number;
}
inline std::int32_t FEROLANT_LIBCALL SignW(TInText input, TBstr* signature, std::int32_t number) {
  return Sign(input, signature, number);
}
// Functions that answer alike go under each of their names.
constexpr auto SetCfgSignatureHashAlgorithmNumberW = SetHash;
constexpr auto SetCfgSigningCertificateHashAlgorithmNumberW = SetHash;
constexpr auto SignDetachedW = SignW;
constexpr auto SignFileDetachedW = SignW;
inline std::int32_t FEROLANT_LIBCALL EncodeFileW(TInText fileName, TBstr* encoded) {
  return Echo(encoded, In(fileName));
}
inline std::int32_t FEROLANT_LIBCALL GetLastCertSenderSignatureSNW(TBstr* serial) {
  return Answer(serial, u"0123ABCD");
}
inline std::int32_t FEROLANT_LIBCALL GetFileNameDlgW(TInText text1, TInText text2, TInText text3,
                                                     TInText text4, std::int32_t mode,
                                                     TBstr* result) {
  // Text 2 may be a buffer of a million spaces: only its length comes back.
  std::u16string answer(In(text1));
  for (const char16_t c : std::to_string(In(text2).size()) + ";" + std::to_string(mode))
    answer.push_back(c);
  answer.append(In(text3)).append(In(text4));
  return Echo(result, answer);
}

// The state a fresh library starts with.
inline void Reset() {
  LastError.clear();
  CodePage = 1250;
}

// Every function of the library, each under its own name: a function the fake lacks does not
// compile.
inline TTavrinFunctions Functions() {
  TTavrinFunctions f;
#define FAKE_LIBRARY_FUNCTION(name, parameters) f.name = name;
  FEROLANT_TAVRIN_FUNCTIONS(FAKE_LIBRARY_FUNCTION)
#undef FAKE_LIBRARY_FUNCTION
  return f;
}

}  // namespace fake_library
