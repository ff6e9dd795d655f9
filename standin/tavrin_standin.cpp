// The stand-in's exported functions. All state sits in one place and every call holds its
// lock, so the library behaves the same whichever thread calls it.

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "operations/tavrin_functions.h"
#include "platform/dynamic_library.h"
#include "platform/ole_string.h"
#include "standin/choice_dialog.h"
#include "standin/file_access.h"
#include "standin/text_digest.h"
#include "text/base64.h"

using platform::TBstr;
using platform::TOleChar;
using namespace std::string_view_literals;

namespace {

// Status numbers (see README.md).
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kBadCodePage = 1;
constexpr std::int32_t kNothingGiven = 2;
constexpr std::int32_t kOutOfService = 3;
constexpr std::int32_t kDialogCancelled = 4;
constexpr std::int32_t kUnreadableFile = 5;
constexpr std::int32_t kNoSignatureYet = 6;
constexpr std::int32_t kBadSignatureHash = 7;
constexpr std::int32_t kBadCertificateHash = 8;
constexpr std::int32_t kOutOfMemory = 9;

constexpr std::uint16_t kOutOfServiceCodePage = 65535;
// Numbers that ask for a long run instead of a signature: [base, end) gives end - base units.
struct TRunRange {
  std::int32_t Base;
  std::int32_t End;
  bool Wide;
};
constexpr TRunRange kRunRanges[] = {{10'000'000, 20'000'000, false},
                                    {20'000'000, 30'000'000, true},
                                    {100'000'000, 1'000'000'000, false},
                                    {1'000'000'000, INT32_MAX, true}};
// The non-ASCII run: two-byte Latin letters, a three-byte sign and a surrogate pair. Seven units
// per round, so that a block boundary at 450000 falls between the two halves of the pair.
constexpr char16_t kWideRunPattern[] = u"\u010d\u0159\u00e1\u20ac\U0001F600\u017e";
constexpr std::size_t kWideRunPatternLength = 7;
static_assert(sizeof kWideRunPattern / sizeof(char16_t) - 1 == kWideRunPatternLength);
constexpr char16_t kAsciiRunPattern[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";

struct TStandInState {
  std::mutex Lock;
  std::u16string LastError;
  // None until the caller sets one: the getter then leaves the caller's variable as it was.
  std::optional<std::uint16_t> CodePage;
  std::int32_t SignatureHash = 1;
  std::int32_t CertificateHash = 1;
  bool FSigned = false;
  std::uint64_t LastDigest = 0;
};

TStandInState& State() {
  static TStandInState state;
  return state;
}

std::u16string_view InText(const TOleChar* text) noexcept {
  return {text, platform::SysStringLen(text)};
}

// Stores the text in the out-variable (null for the empty text). False when out of memory.
bool Return(TBstr* out, std::u16string_view text) noexcept {
  if (out == nullptr || text.empty()) return true;
  *out = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  return *out != nullptr;
}

std::u16string Decimal(std::int64_t number) { return standin::WidenAscii(std::to_string(number)); }

std::int32_t Fail(TStandInState& state, std::int32_t status, std::u16string message) {
  state.LastError = std::move(message);
  return status;
}

std::int32_t RefuseOutOfService(TStandInState& state) {
  return Fail(state, kOutOfService, u"The library is out of service while code page 65535 is set");
}

std::int32_t Succeed(TStandInState& state) {
  state.LastError.clear();
  return kOk;
}

std::int32_t Deliver(TStandInState& state, TBstr* out, std::u16string_view text) {
  if (!Return(out, text)) return Fail(state, kOutOfMemory, u"Out of memory");
  return Succeed(state);
}

const TRunRange* RunRangeOf(std::int32_t number) {
  for (const TRunRange& range : kRunRanges) {
    if (number >= range.Base && number < range.End) return &range;
  }
  return nullptr;
}

// Fills units with the pattern repeated, as the pattern's own copy grows: a run of tens of
// millions of units is then a few large copies instead of a division per unit.
void FillRepeating(TOleChar* units, std::size_t count, std::u16string_view pattern) noexcept {
  // Copies stop doubling at this size, so that their source stays in the cache.
  constexpr std::size_t kLargestCopy = 64 * 1024;
  std::size_t filled = std::min(count, pattern.size());
  std::copy_n(pattern.data(), filled, units);
  while (filled < count) {
    // The filled part is always whole rounds of the pattern, so copying any of its front
    // continues the pattern where it stopped.
    const std::size_t rounds = std::max<std::size_t>(1, kLargestCopy / pattern.size());
    const std::size_t source = std::min(filled, rounds * pattern.size());
    const std::size_t step = std::min(source, count - filled);
    std::copy_n(units, step, units + filled);
    filled += step;
  }
}

// The long run made in place in the string handed out: no second copy of tens of megabytes.
std::int32_t DeliverRun(TStandInState& state, TBstr* out, const TRunRange& range,
                        std::int32_t number) {
  const auto length = static_cast<std::uint32_t>(number - range.Base);
  if (out == nullptr || length == 0) return Succeed(state);
  TBstr run = platform::SysAllocStringLen(nullptr, length);
  if (run == nullptr) return Fail(state, kOutOfMemory, u"Out of memory");
  FillRepeating(run, length,
                range.Wide ? std::u16string_view(kWideRunPattern, kWideRunPatternLength)
                           : std::u16string_view(kAsciiRunPattern));
  *out = run;
  return Succeed(state);
}

// A signature's text, room for the longer kind, 16 hex digits, a length of up to 20 digits, a
// number of up to 11 and three colons.
struct TSignatureText {
  std::array<char16_t, 72> Units;
  std::size_t Size = 0;
  std::u16string_view View() const noexcept { return {Units.data(), Size}; }
};

// Made on the stack: for a short text, building the signature in strings cost more than
// signing it.
TSignatureText Signature(std::u16string_view kind, std::uint64_t digest, std::size_t length,
                         std::int32_t number) noexcept {
  TSignatureText text;
  char16_t* at = std::copy(kind.begin(), kind.end(), text.Units.data());
  *at++ = u':';
  for (int shift = 60; shift >= 0; shift -= 4) *at++ = u"0123456789abcdef"[(digest >> shift) & 0xF];
  *at++ = u':';
  char digits[24];
  at = std::copy(digits, std::to_chars(std::begin(digits), std::end(digits), length).ptr, at);
  *at++ = u':';
  at = std::copy(digits, std::to_chars(std::begin(digits), std::end(digits), number).ptr, at);
  text.Size = static_cast<std::size_t>(at - text.Units.data());
  return text;
}

std::int32_t Signed(TStandInState& state, TBstr* out, std::u16string_view signature,
                    std::uint64_t digest) {
  const std::int32_t status = Deliver(state, out, signature);
  if (status == kOk) {
    state.FSigned = true;
    state.LastDigest = digest;
  }
  return status;
}

// Hands the bytes of the named file to use; a missing name or an unreadable file is the status.
template <typename TUse>
std::int32_t WithFileContent(TStandInState& state, const TOleChar* fileName, TUse use) {
  const std::u16string_view name = InText(fileName);
  if (name.empty()) return Fail(state, kNothingGiven, u"No file name given");
  const auto content = standin::ReadWholeFile(name);
  if (!content) {
    return Fail(state, kUnreadableFile, u"Cannot read the file \"" + std::u16string(name) + u"\"");
  }
  return use(*content);
}

// Nothing may leave the library as a C++ exception: a result too big for memory is a status.
template <typename TBody>
std::int32_t Guarded(TBody body) noexcept {
  try {
    return body();
  } catch (...) {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    try {
      state.LastError = u"Out of memory";
    } catch (...) {
      state.LastError.clear();
    }
    return kOutOfMemory;
  }
}

// The three setters: a number in 1..highest is kept by store; any other is refused with the
// status and the refusal text followed by the number.
template <typename TStore>
std::int32_t SetNumber(std::int32_t number, std::int32_t highest, std::int32_t refusal,
                       std::u16string_view refusalText, TStore store) noexcept {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (number < 1 || number > highest) {
      return Fail(state, refusal, std::u16string(refusalText) + Decimal(number));
    }
    store(state);
    return Succeed(state);
  });
}

}  // namespace

FEROLANT_TAVRIN_FUNCTIONS(FEROLANT_TAVRIN_DECLARE_EXPORT)

extern "C" {

std::int32_t FEROLANT_LIBCALL AboutW(TBstr* about) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (state.CodePage == kOutOfServiceCodePage) {
      return RefuseOutOfService(state);
    }
    return Deliver(state, about,
                   u"Tavrin stand-in signing library 1.0 (deterministic test double)");
  });
}

std::int32_t FEROLANT_LIBCALL GetLastErrorStrW(TBstr* message) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    return Return(message, state.LastError) ? kOk : kOutOfMemory;
  });
}

std::int32_t FEROLANT_LIBCALL GetCfgCodePageNumberW(std::uint16_t* codePage) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (codePage != nullptr && state.CodePage) *codePage = *state.CodePage;
    if (state.CodePage == kOutOfServiceCodePage) {
      return RefuseOutOfService(state);
    }
    return Succeed(state);
  });
}

std::int32_t FEROLANT_LIBCALL SetCfgCodePageNumberW(std::int32_t codePage) {
  return SetNumber(
      codePage, 65535, kBadCodePage, u"Invalid code page number ",
      [&](TStandInState& state) { state.CodePage = static_cast<std::uint16_t>(codePage); });
}

std::int32_t FEROLANT_LIBCALL SetCfgSignatureHashAlgorithmNumberW(std::int32_t algorithm) {
  return SetNumber(algorithm, 4, kBadSignatureHash, u"Unsupported signature hash algorithm ",
                   [&](TStandInState& state) { state.SignatureHash = algorithm; });
}

std::int32_t FEROLANT_LIBCALL SetCfgSigningCertificateHashAlgorithmNumberW(std::int32_t algorithm) {
  return SetNumber(algorithm, 3, kBadCertificateHash,
                   u"Unsupported signing certificate hash algorithm ",
                   [&](TStandInState& state) { state.CertificateHash = algorithm; });
}

std::int32_t FEROLANT_LIBCALL SignDetachedW(const TOleChar* text, TBstr* signature,
                                            std::int32_t number) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (const TRunRange* range = RunRangeOf(number)) {
      return DeliverRun(state, signature, *range, number);
    }
    const std::u16string_view input = InText(text);
    if (input.empty()) return Fail(state, kNothingGiven, u"Nothing to sign");
    const std::uint64_t digest =
        standin::Fnv1a64(standin::Int32LeBytes(number), standin::Fnv1a64Utf16Le(input));
    return Signed(state, signature,
                  Signature(u"STANDIN-SIG"sv, digest, input.size(), number).View(), digest);
  });
}

std::int32_t FEROLANT_LIBCALL SignFileDetachedW(const TOleChar* fileName, TBstr* signature,
                                                std::int32_t number) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    return WithFileContent(state, fileName, [&](const std::string& content) {
      const std::uint64_t digest =
          standin::Fnv1a64(standin::Int32LeBytes(number), standin::Fnv1a64(content));
      return Signed(state, signature,
                    Signature(u"STANDIN-FILESIG"sv, digest, content.size(), number).View(), digest);
    });
  });
}

std::int32_t FEROLANT_LIBCALL EncodeFileW(const TOleChar* fileName, TBstr* encoded) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    return WithFileContent(state, fileName, [&](const std::string& content) {
      return Deliver(state, encoded, standin::WidenAscii(Base64Of(content)));
    });
  });
}

std::int32_t FEROLANT_LIBCALL GetLastCertSenderSignatureSNW(TBstr* serial) {
  return Guarded([&] {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (!state.FSigned) return Fail(state, kNoSignatureYet, u"No signature has been made yet");
    std::string hex = standin::Hex64(state.LastDigest);
    for (char& c : hex) {
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    return Deliver(state, serial, standin::WidenAscii(hex));
  });
}

std::int32_t FEROLANT_LIBCALL GetFileNameDlgW(const TOleChar* text1, const TOleChar* text2,
                                              const TOleChar* text3, const TOleChar* text4,
                                              std::int32_t mode, TBstr* result) {
  return Guarded([&] {
    const std::u16string_view texts[] = {InText(text1), InText(text2), InText(text3),
                                         InText(text4)};
    // Shown without the lock: a modal window runs the caller's message loop.
    standin::ShowChoiceDialog(texts[0]);
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (texts[0] == u"cancel") return Fail(state, kDialogCancelled, u"The dialog was cancelled");
    std::size_t spaces = 0;
    for (char16_t unit : texts[1]) spaces += unit == u' ' ? 1 : 0;
    std::u16string answer = u"mode=" + Decimal(mode) + u";lengths=";
    for (std::size_t i = 0; i < 4; ++i) {
      answer += Decimal(static_cast<std::int64_t>(texts[i].size()));
      answer += i < 3 ? u"," : u";";
    }
    answer += u"spaces2=" + Decimal(static_cast<std::int64_t>(spaces)) + u";text1=";
    answer += texts[0];
    return Deliver(state, result, answer);
  });
}

}  // extern "C"
