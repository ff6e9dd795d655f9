// Finding the end of a run of ordinary UTF-16 units four at a time.
//
// Long strings are mostly ordinary characters, so the reader and the
// escapers look for the next unit that needs attention in 64-bit words of
// four units and test single units only in the word that holds one. The
// word tests are exact about whether some lane matches, and lane order does
// not matter to them, so the result is the same on any byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace json_scan {

inline constexpr std::uint64_t kLaneOnes = 0x0001000100010001ull;
inline constexpr std::uint64_t kLaneHighBits = 0x8000800080008000ull;

inline std::uint64_t LoadLanes(const char16_t* at) noexcept {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Non-zero when some lane is below limit (limit at most 0x8000).
constexpr std::uint64_t LanesBelow(std::uint64_t word, std::uint16_t limit) noexcept {
  return (word - kLaneOnes * limit) & ~word & kLaneHighBits;
}

// Non-zero when some lane equals unit.
constexpr std::uint64_t LanesEqual(std::uint64_t word, char16_t unit) noexcept {
  return LanesBelow(word ^ (kLaneOnes * unit), 1);
}

// The index of the first unit of text[0, size) for which stop(unit) holds,
// or size. wordHasStop(word) must be non-zero whenever one of the four units
// in word is a stop (it may also be non-zero when none is).
template <typename WordTest, typename UnitTest>
std::size_t FindStop(const char16_t* text, std::size_t size, WordTest wordHasStop,
                     UnitTest stop) noexcept {
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    if (wordHasStop(LoadLanes(text + i))) break;
  }
  while (i < size && !stop(text[i])) ++i;
  return i;
}

}  // namespace json_scan
