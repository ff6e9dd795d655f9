// Narrow text in Windows code pages and the thread's ANSI code page.
//
// Narrow text is a std::string of bytes in some code page; wide text is UTF-16.
// Single-byte code pages map every byte to some UTF-16 unit, so bytes -> wide
// -> bytes gives the same bytes back. A unit that a code page cannot show
// becomes the code page's default character.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kCodePageWindows1250 = 1250;
inline constexpr std::uint32_t kCodePageWindows1252 = 1252;
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// The system's ANSI code page, as read at start.
std::uint32_t GetAnsiCodePage() noexcept;

// Whole-text conversions in a given code page, U+0000 and zero bytes included.
// nullopt when the platform does not know or refuses the code page.
std::optional<std::string> ConvertWideToCodePage(std::u16string_view text, std::uint32_t codePage);
std::optional<std::u16string> ConvertCodePageToWide(std::string_view text, std::uint32_t codePage);

// A conversion that refuses instead of substituting: for text that is signed, a replaced
// character would change what the person agreed to.
struct TExactBytes {
  enum TResult { erConverted, erUnrepresentable, erUnknownCodePage } Result = erConverted;
  std::string Bytes;         // the whole text when converted
  std::size_t Position = 0;  // when unrepresentable: index of the first unit the code page lacks
};
TExactBytes ConvertWideToCodePageExactly(std::u16string_view text, std::uint32_t codePage);

// Conversions with the ANSI code page of the running thread, used where the
// channel turns received bytes into wide text and wide text back into bytes.
// ThreadAnsiToWide followed by WideToThreadAnsi gives back the original bytes
// for any byte sequence, also in the UTF-8 code page.
std::u16string ThreadAnsiToWide(std::string_view text);
std::string WideToThreadAnsi(std::u16string_view text);

// Upper case in the thread's ANSI code page; ASCII letters always map a-z to
// A-Z. The result has the same length as the text.
std::string AnsiUpperCase(std::string_view text);

}  // namespace platform
