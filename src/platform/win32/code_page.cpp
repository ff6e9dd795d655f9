#include "platform/code_page.h"

#include <windows.h>

#include "text/unicode.h"

namespace platform {

namespace {

// WC_COMPOSITECHECK | WC_DEFAULTCHAR | WC_SEPCHARS | WC_DISCARDNS: composed characters are
// looked up as one, and what the code page lacks becomes its default character.
constexpr DWORD kCompositeFlags = 0x270;

const wchar_t* AsWide(const char16_t* text) noexcept {
  return reinterpret_cast<const wchar_t*>(text);
}
wchar_t* AsWide(char16_t* text) noexcept { return reinterpret_cast<wchar_t*>(text); }

std::optional<std::string> WideToBytes(std::u16string_view text, UINT codePage, DWORD flags) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, flags, AsWide(text.data()), length, nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, flags, AsWide(text.data()), length, bytes.data(), size, nullptr,
                          nullptr) != size) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::u16string> BytesToWide(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return std::u16string();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::u16string text(static_cast<std::size_t>(size), u'\0');
  if (MultiByteToWideChar(codePage, 0, bytes.data(), length, AsWide(text.data()), size) != size) {
    return std::nullopt;
  }
  return text;
}

bool IsSingleByte(UINT codePage) noexcept {
  CPINFO info{};
  return GetCPInfo(codePage, &info) && info.MaxCharSize == 1;
}

// A single-byte code page has no character outside the BMP, and such a character must give
// one default character, not one per UTF-16 unit as some systems make of it: the pair goes
// in as its high half alone, which is just as unmappable.
std::u16string OnePerCharacter(std::u16string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    units += text[i];
    if (unicode::IsPairAt(text, i)) ++i;
  }
  return units;
}

}  // namespace

std::uint32_t GetAnsiCodePage() noexcept { return GetACP(); }

std::optional<std::string> ConvertWideToCodePage(std::u16string_view text, std::uint32_t codePage) {
  // Without best fit: a character the code page lacks must become the default character, not
  // a look-alike, or a file name could turn into the name of another file. Windows refuses
  // these flags for some code pages, UTF-8 among them; those convert without flags, which for
  // UTF-8 loses nothing.
  std::u16string singleByteUnits;
  if (IsSingleByte(codePage)) {
    singleByteUnits = OnePerCharacter(text);
    text = singleByteUnits;
  }
  for (const DWORD flags :
       {kCompositeFlags | WC_NO_BEST_FIT_CHARS, DWORD{WC_NO_BEST_FIT_CHARS}, DWORD{0}}) {
    std::optional<std::string> bytes = WideToBytes(text, codePage, flags);
    if (bytes || GetLastError() != ERROR_INVALID_FLAGS) return bytes;
  }
  return std::nullopt;
}

std::optional<std::u16string> ConvertCodePageToWide(std::string_view text, std::uint32_t codePage) {
  return BytesToWide(text, codePage);
}

std::u16string ThreadAnsiToWide(std::string_view text) {
  return BytesToWide(text, CP_THREAD_ACP).value_or(std::u16string());
}

std::string WideToThreadAnsi(std::u16string_view text) {
  return WideToBytes(text, CP_THREAD_ACP, 0).value_or(std::string());
}

std::string AnsiUpperCase(std::string_view text) {
  std::string upper(text);
  if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

TExactBytes ConvertWideToCodePageExactly(std::u16string_view text, std::uint32_t codePage) {
  TExactBytes out;
  if (codePage == 0 || codePage == 3) codePage = GetACP();
  // UTF-8 knows no default character: it reports lone surrogates as invalid instead.
  const bool utf8 = codePage == kCodePageUtf8;
  if (!utf8 && !IsSingleByte(codePage)) {
    out.Result = TExactBytes::erUnknownCodePage;
    return out;
  }
  // Converts one piece, telling whether every character had a byte sequence of its own.
  const auto exact = [&](std::u16string_view piece, std::string* bytes) {
    if (piece.empty()) return true;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(piece.size());
    const int size = WideCharToMultiByte(codePage, flags, AsWide(piece.data()), length, nullptr, 0,
                                         nullptr, utf8 ? nullptr : &usedDefault);
    if (size <= 0 || usedDefault) return false;
    if (bytes == nullptr) return true;
    bytes->resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(codePage, flags, AsWide(piece.data()), length, bytes->data(), size,
                               nullptr, utf8 ? nullptr : &usedDefault) == size &&
           !usedDefault;
  };
  if (exact(text, &out.Bytes)) return out;
  out.Bytes.clear();
  out.Result = TExactBytes::erUnrepresentable;
  // The failing character, found one character (a surrogate pair counts as one) at a time.
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair = unicode::IsPairAt(text, i);
    if (!exact(text.substr(i, pair ? 2 : 1), nullptr)) {
      out.Position = i;
      break;
    }
    if (pair) ++i;
  }
  return out;
}

}  // namespace platform
