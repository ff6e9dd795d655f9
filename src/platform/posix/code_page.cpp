#include "platform/code_page.h"

#include "platform/posix/single_byte_code_pages.h"
#include "text/unicode.h"
#include "text/utf8_codec.h"

namespace platform {

namespace {

// The browser speaks UTF-8 and file names are UTF-8 bytes here, whatever the
// environment's locale says, so the ANSI code page is UTF-8 for good.
constexpr std::uint32_t kAnsiCodePage = kCodePageUtf8;

// Code pages 0 and 3 stand for the system's and the thread's ANSI code page.
std::uint32_t Resolve(std::uint32_t codePage) noexcept {
  return codePage == 0 || codePage == 3 ? kAnsiCodePage : codePage;
}

}  // namespace

std::uint32_t GetAnsiCodePage() noexcept { return kAnsiCodePage; }

std::optional<std::string> ConvertWideToCodePage(std::u16string_view text, std::uint32_t codePage) {
  codePage = Resolve(codePage);
  if (codePage == kCodePageUtf8) return EncodeUtf8(text, TUtf8Mode::umReplace);
  if (const auto* page = FindSingleByteCodePage(codePage)) return EncodeSingleByte(text, *page);
  return std::nullopt;
}

std::optional<std::u16string> ConvertCodePageToWide(std::string_view text, std::uint32_t codePage) {
  codePage = Resolve(codePage);
  if (codePage == kCodePageUtf8) return DecodeUtf8(text, TUtf8Mode::umReplace);
  if (const auto* page = FindSingleByteCodePage(codePage)) return DecodeSingleByte(text, *page);
  return std::nullopt;
}

TExactBytes ConvertWideToCodePageExactly(std::u16string_view text, std::uint32_t codePage) {
  TExactBytes out;
  codePage = Resolve(codePage);
  if (codePage == kCodePageUtf8) {
    out.Position = unicode::FirstLoneSurrogate(text);
    if (out.Position != std::u16string_view::npos) {
      out.Result = TExactBytes::erUnrepresentable;
    } else {
      out.Position = 0;
      out.Bytes = EncodeUtf8(text, TUtf8Mode::umReplace);
    }
    return out;
  }
  const auto* page = FindSingleByteCodePage(codePage);
  if (page == nullptr) {
    out.Result = TExactBytes::erUnknownCodePage;
    return out;
  }
  const TReverseTable& reverse = page->Reverse();
  out.Bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = reverse[text[i]];
    if (b == 0 && text[i] != 0) {
      out.Result = TExactBytes::erUnrepresentable;
      out.Position = i;
      out.Bytes.clear();
      return out;
    }
    out.Bytes += static_cast<char>(b);
  }
  return out;
}

std::u16string ThreadAnsiToWide(std::string_view text) {
  return DecodeUtf8(text, TUtf8Mode::umEscapeBytes);
}

std::string WideToThreadAnsi(std::u16string_view text) {
  return EncodeUtf8(text, TUtf8Mode::umEscapeBytes);
}

std::string AnsiUpperCase(std::string_view text) {
  // Only ASCII letters: upper-casing a UTF-8 sequence could change its length.
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace platform
