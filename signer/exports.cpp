// The exported functions: system strings in and out, one lock around the library, and
// the last call's sentence kept for GetLastErrorStrW.
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "operations/tavrin_functions.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/ole_string.h"
#include "signer/library_consent.h"
#include "signer/signing_library.h"
#include "text/utf8_codec.h"

using platform::TBstr;
using platform::TOleChar;

namespace {

struct TLibraryState {
  std::mutex Lock;
  std::unique_ptr<tavrin::TSigningLibrary> Instance;
  std::u16string LastError;

  tavrin::TSigningLibrary& Library() {
    if (!Instance)
      Instance = std::make_unique<tavrin::TSigningLibrary>(tavrin::MakeLibraryConsent());
    return *Instance;
  }
};

TLibraryState& State() {
  static TLibraryState state;
  return state;
}

// GETFILENAMEDLG's modes (the low 16 bits; the rest is ignored), and what separates several
// chosen names in its result.
constexpr std::uint32_t kOneFile = 0;
constexpr std::uint32_t kSeveralFiles = 2;
constexpr char kNameSeparator = '\n';

std::u16string_view InText(const TOleChar* text) noexcept {
  return {text, platform::SysStringLen(text)};
}

// File names are bytes here; the host hands them over as UTF-8, raw bytes escaped.
std::string InPath(const TOleChar* text) { return platform::WideToThreadAnsi(InText(text)); }

std::int32_t Report(TLibraryState& state, const tavrin::TOutcome& outcome) {
  state.LastError = DecodeUtf8(outcome.Sentence, TUtf8Mode::umReplace);
  return static_cast<std::int32_t>(outcome.Status);
}

// Stores the text as a new system string (nothing for the empty text).
std::int32_t Deliver(TLibraryState& state, TBstr* out, std::string_view utf8) {
  if (out != nullptr && !utf8.empty()) {
    const std::u16string text = DecodeUtf8(utf8, TUtf8Mode::umReplace);
    *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    if (*out == nullptr) {
      return Report(state, tavrin::TOutcome::Fail(tavrin::TStatus::OutOfMemory, "Out of memory"));
    }
  }
  return Report(state, tavrin::TOutcome::Ok());
}

// Nothing leaves the library as a C++ exception.
template <typename TBody>
std::int32_t Guarded(TBody body) noexcept {
  auto& state = State();
  std::lock_guard guard(state.Lock);
  try {
    return body(state);
  } catch (...) {
    state.LastError = u"Out of memory";
    return static_cast<std::int32_t>(tavrin::TStatus::OutOfMemory);
  }
}

template <typename TSign>
std::int32_t SignWith(TBstr* signature, TSign sign) noexcept {
  return Guarded([&](TLibraryState& state) {
    std::string base64;
    const tavrin::TOutcome outcome = sign(state.Library(), base64);
    if (!outcome.Succeeded()) return Report(state, outcome);
    return Deliver(state, signature, base64);
  });
}

}  // namespace

FEROLANT_TAVRIN_FUNCTIONS(FEROLANT_TAVRIN_DECLARE_EXPORT)

extern "C" {

std::int32_t FEROLANT_LIBCALL AboutW(TBstr* about) {
  return Guarded([&](TLibraryState& state) {
    return Deliver(state, about, tavrin::TSigningLibrary::About());
  });
}

std::int32_t FEROLANT_LIBCALL GetLastErrorStrW(TBstr* message) {
  return Guarded([&](TLibraryState& state) {
    if (message == nullptr || state.LastError.empty()) return 0;
    *message = platform::SysAllocStringLen(state.LastError.data(),
                                           static_cast<std::uint32_t>(state.LastError.size()));
    return *message != nullptr ? 0 : static_cast<std::int32_t>(tavrin::TStatus::OutOfMemory);
  });
}

std::int32_t FEROLANT_LIBCALL GetCfgCodePageNumberW(std::uint16_t* codePage) {
  return Guarded([&](TLibraryState& state) {
    if (codePage != nullptr) *codePage = state.Library().CodePage();
    return Report(state, tavrin::TOutcome::Ok());
  });
}

std::int32_t FEROLANT_LIBCALL SetCfgCodePageNumberW(std::int32_t codePage) {
  return Guarded(
      [&](TLibraryState& state) { return Report(state, state.Library().SetCodePage(codePage)); });
}

std::int32_t FEROLANT_LIBCALL SetCfgSignatureHashAlgorithmNumberW(std::int32_t algorithm) {
  return Guarded([&](TLibraryState& state) {
    return Report(state, state.Library().SetSignatureHash(algorithm));
  });
}

std::int32_t FEROLANT_LIBCALL SetCfgSigningCertificateHashAlgorithmNumberW(std::int32_t algorithm) {
  return Guarded([&](TLibraryState& state) {
    return Report(state, state.Library().SetCertificateHash(algorithm));
  });
}

// The number is accepted and not used: the text alone decides what is signed.
std::int32_t FEROLANT_LIBCALL SignDetachedW(const TOleChar* text, TBstr* signature,
                                            std::int32_t /*number*/) {
  return SignWith(signature, [&](tavrin::TSigningLibrary& library, std::string& base64) {
    return library.SignText(InText(text), base64);
  });
}

std::int32_t FEROLANT_LIBCALL SignFileDetachedW(const TOleChar* fileName, TBstr* signature,
                                                std::int32_t /*number*/) {
  return SignWith(signature, [&](tavrin::TSigningLibrary& library, std::string& base64) {
    return library.SignFile(InPath(fileName), base64);
  });
}

std::int32_t FEROLANT_LIBCALL EncodeFileW(const TOleChar* fileName, TBstr* encoded) {
  return Guarded([&](TLibraryState& state) {
    TBstr made = nullptr;
    const tavrin::TOutcome outcome =
        state.Library().EncodeFile(InPath(fileName), [&](std::size_t units) -> char16_t* {
          if (units == 0) return nullptr;
          made = platform::SysAllocStringLen(nullptr, static_cast<std::uint32_t>(units));
          return made;
        });
    if (outcome.Succeeded() && encoded != nullptr) {
      *encoded = made;
    } else {
      platform::SysFreeString(made);
    }
    return Report(state, outcome);
  });
}

std::int32_t FEROLANT_LIBCALL GetLastCertSenderSignatureSNW(TBstr* serial) {
  return Guarded([&](TLibraryState& state) {
    std::string hex;
    const tavrin::TOutcome outcome = state.Library().LastSerial(hex);
    if (!outcome.Succeeded()) return Report(state, outcome);
    return Deliver(state, serial, hex);
  });
}

std::int32_t FEROLANT_LIBCALL GetFileNameDlgW(const TOleChar* text1, const TOleChar* text2,
                                              const TOleChar* text3, const TOleChar* text4,
                                              std::int32_t mode, TBstr* result) {
  return Guarded([&](TLibraryState& state) {
    const std::uint32_t kind = static_cast<std::uint32_t>(mode) & 0xFFFF;
    if (kind != kOneFile && kind != kSeveralFiles) {
      return Report(state,
                    tavrin::TOutcome::Fail(tavrin::TStatus::UnknownDialogMode,
                                           "Unknown file dialog mode " + std::to_string(mode) +
                                               " (0 chooses one file, 2 several)"));
    }
    // In mode 2 the host hands over text 2 as a long run of spaces to write into: no name.
    std::string initialFile = InPath(text2);
    initialFile.erase(initialFile.find_last_not_of(' ') + 1);
    const tavrin::TFileChooserRequest request{
        EncodeUtf8(InText(text1), TUtf8Mode::umReplace), std::move(initialFile),
        EncodeUtf8(InText(text3), TUtf8Mode::umReplace), InPath(text4), kind == kSeveralFiles};
    std::vector<std::string> paths;
    const tavrin::TOutcome outcome = state.Library().ChooseFiles(request, paths);
    if (!outcome.Succeeded()) return Report(state, outcome);
    std::string joined;
    for (const std::string& path : paths) {
      if (path.find(kNameSeparator) != std::string::npos) {
        return Report(state, tavrin::TOutcome::Fail(
                                 tavrin::TStatus::UnrepresentableText,
                                 "The chosen file name \"" + path +
                                     "\" holds a line break, which would split it in two"));
      }
      if (!joined.empty()) joined += kNameSeparator;
      joined += path;
    }
    // Names are bytes: they go back in the host's own form, raw bytes escaped, as they came.
    const std::u16string text = platform::ThreadAnsiToWide(joined);
    if (result == nullptr) return Report(state, tavrin::TOutcome::Ok());
    *result = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    if (*result == nullptr) {
      return Report(state, tavrin::TOutcome::Fail(tavrin::TStatus::OutOfMemory, "Out of memory"));
    }
    return Report(state, tavrin::TOutcome::Ok());
  });
}

}  // extern "C"
