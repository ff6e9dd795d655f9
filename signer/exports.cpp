// The eleven exported functions: system strings in and out, one lock around the library, and
// the last call's sentence kept for GetLastErrorStrW.
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "library_consent.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/ole_string.h"
#include "platform/posix/utf8_codec.h"
#include "signing_library.h"

using platform::TBstr;
using platform::TOleChar;

namespace {

struct LibraryState {
  std::mutex lock;
  std::unique_ptr<tavrin::SigningLibrary> library;
  std::u16string lastError;

  tavrin::SigningLibrary& Library() {
    if (!library) library = std::make_unique<tavrin::SigningLibrary>(tavrin::MakeLibraryConsent());
    return *library;
  }
};

LibraryState& State() {
  static LibraryState state;
  return state;
}

std::u16string_view InText(const TOleChar* text) noexcept {
  return {text, platform::SysStringLen(text)};
}

// File names are bytes here; the host hands them over as UTF-8, raw bytes escaped.
std::string InPath(const TOleChar* text) { return WideToThreadAnsi(InText(text)); }

std::int32_t Report(LibraryState& state, const tavrin::Outcome& outcome) {
  state.lastError = DecodeUtf8(outcome.sentence, TUtf8Mode::umReplace);
  return static_cast<std::int32_t>(outcome.status);
}

// Stores the text as a new system string (nothing for the empty text).
std::int32_t Deliver(LibraryState& state, TBstr* out, std::string_view utf8) {
  if (out != nullptr && !utf8.empty()) {
    const std::u16string text = DecodeUtf8(utf8, TUtf8Mode::umReplace);
    *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
    if (*out == nullptr) {
      return Report(state, tavrin::Outcome::Fail(tavrin::Status::kOutOfMemory, "Out of memory"));
    }
  }
  return Report(state, tavrin::Outcome::Ok());
}

// Nothing leaves the library as a C++ exception.
template <typename TBody>
std::int32_t Guarded(TBody body) noexcept {
  auto& state = State();
  std::lock_guard guard(state.lock);
  try {
    return body(state);
  } catch (...) {
    state.lastError = u"Out of memory";
    return static_cast<std::int32_t>(tavrin::Status::kOutOfMemory);
  }
}

template <typename TSign>
std::int32_t SignWith(TBstr* signature, TSign sign) noexcept {
  return Guarded([&](LibraryState& state) {
    std::string base64;
    const tavrin::Outcome outcome = sign(state.Library(), base64);
    if (!outcome.ok()) return Report(state, outcome);
    return Deliver(state, signature, base64);
  });
}

}  // namespace

extern "C" {

std::int32_t FEROLANT_LIBCALL AboutW(TBstr* about) {
  return Guarded(
      [&](LibraryState& state) { return Deliver(state, about, tavrin::SigningLibrary::About()); });
}

std::int32_t FEROLANT_LIBCALL GetLastErrorStrW(TBstr* message) {
  return Guarded([&](LibraryState& state) {
    if (message == nullptr || state.lastError.empty()) return 0;
    *message = platform::SysAllocStringLen(state.lastError.data(),
                                           static_cast<std::uint32_t>(state.lastError.size()));
    return *message != nullptr ? 0 : static_cast<std::int32_t>(tavrin::Status::kOutOfMemory);
  });
}

std::int32_t FEROLANT_LIBCALL GetCfgCodePageNumberW(std::uint16_t* codePage) {
  return Guarded([&](LibraryState& state) {
    if (codePage != nullptr) *codePage = state.Library().CodePage();
    return Report(state, tavrin::Outcome::Ok());
  });
}

std::int32_t FEROLANT_LIBCALL SetCfgCodePageNumberW(std::int32_t codePage) {
  return Guarded(
      [&](LibraryState& state) { return Report(state, state.Library().SetCodePage(codePage)); });
}

std::int32_t FEROLANT_LIBCALL SetCfgSignatureHashAlgorithmNumberW(std::int32_t algorithm) {
  return Guarded([&](LibraryState& state) {
    return Report(state, state.Library().SetSignatureHash(algorithm));
  });
}

std::int32_t FEROLANT_LIBCALL SetCfgSigningCertificateHashAlgorithmNumberW(std::int32_t algorithm) {
  return Guarded([&](LibraryState& state) {
    return Report(state, state.Library().SetCertificateHash(algorithm));
  });
}

// The number is accepted and not used: the text alone decides what is signed.
std::int32_t FEROLANT_LIBCALL SignDetachedW(const TOleChar* text, TBstr* signature,
                                            std::int32_t /*number*/) {
  return SignWith(signature, [&](tavrin::SigningLibrary& library, std::string& base64) {
    return library.SignText(InText(text), base64);
  });
}

std::int32_t FEROLANT_LIBCALL SignFileDetachedW(const TOleChar* fileName, TBstr* signature,
                                                std::int32_t /*number*/) {
  return SignWith(signature, [&](tavrin::SigningLibrary& library, std::string& base64) {
    return library.SignFile(InPath(fileName), base64);
  });
}

std::int32_t FEROLANT_LIBCALL EncodeFileW(const TOleChar* fileName, TBstr* encoded) {
  return Guarded([&](LibraryState& state) {
    TBstr made = nullptr;
    const tavrin::Outcome outcome =
        state.Library().EncodeFile(InPath(fileName), [&](std::size_t units) -> char16_t* {
          if (units == 0) return nullptr;
          made = platform::SysAllocStringLen(nullptr, static_cast<std::uint32_t>(units));
          return made;
        });
    if (outcome.ok() && encoded != nullptr) {
      *encoded = made;
    } else {
      platform::SysFreeString(made);
    }
    return Report(state, outcome);
  });
}

std::int32_t FEROLANT_LIBCALL GetLastCertSenderSignatureSNW(TBstr* serial) {
  return Guarded([&](LibraryState& state) {
    std::string hex;
    const tavrin::Outcome outcome = state.Library().LastSerial(hex);
    if (!outcome.ok()) return Report(state, outcome);
    return Deliver(state, serial, hex);
  });
}

std::int32_t FEROLANT_LIBCALL GetFileNameDlgW(const TOleChar* text1, const TOleChar* text2,
                                              const TOleChar* text3, const TOleChar* text4,
                                              std::int32_t mode, TBstr* /*result*/) {
  return Guarded([&](LibraryState& state) {
    tavrin::FileChooserRequest request{EncodeUtf8(InText(text1), TUtf8Mode::umReplace),
                                       EncodeUtf8(InText(text2), TUtf8Mode::umReplace),
                                       EncodeUtf8(InText(text3), TUtf8Mode::umReplace),
                                       EncodeUtf8(InText(text4), TUtf8Mode::umReplace), false};
    (void)mode;  // what the mode asks of the dialog is the dialogs' to read
    std::vector<std::string> paths;
    return Report(state, state.Library().ChooseFiles(request, paths));
  });
}

}  // extern "C"
