#pragma once
// The checkable functions behind the stand-in's results: an extension developer can recompute
// each of them to prove that a text or a file reached the library unchanged.

#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

// 64-bit FNV-1a over bytes, continuing from `hash`.
constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash = kFnvOffsetBasis) noexcept;

// Fnv1a64 over the UTF-16LE bytes of text, without making them: texts to sign can be large.
std::uint64_t Fnv1a64Utf16Le(std::u16string_view text,
                             std::uint64_t hash = kFnvOffsetBasis) noexcept;

// The number as four bytes, two's complement, low byte first.
std::string Int32LeBytes(std::int32_t number);

// Sixteen hex digits, lower case.
std::string Hex64(std::uint64_t value);

std::u16string WidenAscii(std::string_view ascii);

}  // namespace standin
