// Finding the end of a run of ordinary UTF-16 units a block at a time.
//
// Long strings are mostly ordinary characters, so the reader and the
// escapers look for the next unit that needs attention in blocks of units
// and test single units only in the block that holds one. With SSE2 a block
// is eight units in a vector register; elsewhere it is four units in a
// 64-bit word. The block tests only tell whether some unit of the block
// matches, never which, so lane order (byte order) does not matter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace json_scan {

// Four units in a 64-bit word, tested with carry-free lane arithmetic. This
// is the block where SSE2 is missing, and stays defined beside it so that
// both engines can be held against the same rules.
using TWordBlock = std::uint64_t;
inline constexpr std::uint64_t kLaneOnes = 0x0001000100010001ull;
inline constexpr std::uint64_t kLaneHighBits = 0x8000800080008000ull;

// Non-zero when some lane is below limit (at most 0x8000); exact as a
// whole, though the set bits need not mark the matching lanes.
constexpr TWordBlock LanesBelow(TWordBlock block, std::uint16_t limit) noexcept {
  return (block - kLaneOnes * limit) & ~block & kLaneHighBits;
}
constexpr TWordBlock LanesEqual(TWordBlock block, char16_t unit) noexcept {
  return LanesBelow(block ^ (kLaneOnes * unit), 1);
}
// Non-zero when some lane is at or above limit, a power of two.
constexpr TWordBlock LanesAtLeast(TWordBlock block, std::uint32_t limit) noexcept {
  return block & kLaneOnes * static_cast<std::uint16_t>(0x10000 - limit);
}
constexpr bool AnyLane(TWordBlock mask) noexcept { return mask != 0; }

#if defined(__SSE2__)

// Eight units in a vector register; lanes are all ones where the test holds.
using TVectorBlock = std::uint16_t __attribute__((vector_size(16)));

inline TVectorBlock LanesBelow(TVectorBlock block, std::uint16_t limit) noexcept {
  return reinterpret_cast<TVectorBlock>(block < limit);
}
inline TVectorBlock LanesEqual(TVectorBlock block, char16_t unit) noexcept {
  return reinterpret_cast<TVectorBlock>(block == static_cast<std::uint16_t>(unit));
}
// Not all ones, but non-zero exactly in the lanes at or above limit.
inline TVectorBlock LanesAtLeast(TVectorBlock block, std::uint32_t limit) noexcept {
  return block & static_cast<std::uint16_t>(0x10000 - limit);
}
inline bool AnyLane(TVectorBlock mask) noexcept {
  std::uint64_t halves[2];
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

using TBlock = TVectorBlock;

#else

using TBlock = TWordBlock;

#endif

inline constexpr std::size_t kBlockUnits = sizeof(TBlock) / sizeof(char16_t);

template <class Block = TBlock>
inline Block LoadBlock(const char16_t* at) noexcept {
  Block block;
  std::memcpy(&block, at, sizeof block);
  return block;
}

// The index of the first unit of text[0, size) for which stop(unit) holds,
// or size. blockHasStop(block) must hold whenever one of the units of block
// is a stop (it may also hold when none is).
template <typename BlockTest, typename UnitTest>
std::size_t FindStop(const char16_t* text, std::size_t size, BlockTest blockHasStop,
                     UnitTest stop) noexcept {
  std::size_t i = 0;
  for (; i + kBlockUnits <= size; i += kBlockUnits) {
    if (blockHasStop(LoadBlock(text + i))) break;
  }
  while (i < size && !stop(text[i])) ++i;
  return i;
}

// Where a run of string characters read between the given quotes ends: at
// the closing quote, a backslash or U+0000.
inline std::size_t FindStringStop(const char16_t* text, std::size_t size, char16_t quote) noexcept {
  const auto stop = [quote](char16_t u) { return u == quote || u == u'\\' || u == 0; };
#if defined(__SSE2__)
  // A request's long parameter is one string with an escape every line or
  // so: the stop is located within its block from the lanes' bits rather
  // than unit by unit, and sixteen units are tested per round.
  const __m128i quotes = _mm_set1_epi16(static_cast<short>(quote));
  const __m128i backslashes = _mm_set1_epi16(u'\\');
  const __m128i zeros = _mm_setzero_si128();
  // Two bits for each unit of the eight at at, set where it is a stop.
  const auto stopBits = [&](const char16_t* at) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i stops = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi16(units, quotes), _mm_cmpeq_epi16(units, backslashes)),
        _mm_cmpeq_epi16(units, zeros));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(stops));
  };
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const std::uint32_t bits = stopBits(text + i) | stopBits(text + i + 8) << 16;
    if (bits != 0) return i + static_cast<std::size_t>(__builtin_ctz(bits)) / 2;
  }
  if (i + 8 <= size) {
    const std::uint32_t bits = stopBits(text + i);
    if (bits != 0) return i + static_cast<std::size_t>(__builtin_ctz(bits)) / 2;
    i += 8;
  }
  while (i < size && !stop(text[i])) ++i;
  return i;
#else
  return FindStop(
      text, size,
      [quote](TBlock block) {
        return AnyLane(LanesEqual(block, quote) | LanesEqual(block, u'\\') | LanesBelow(block, 1));
      },
      stop);
#endif
}

// The same for text read as one unit per byte.
inline std::size_t FindStringStop(const char* text, std::size_t size, char quote) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i quotes = _mm_set1_epi8(quote);
  const __m128i backslashes = _mm_set1_epi8('\\');
  const __m128i zeros = _mm_setzero_si128();
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i stops = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, quotes), _mm_cmpeq_epi8(bytes, backslashes)),
        _mm_cmpeq_epi8(bytes, zeros));
    if (const int bits = _mm_movemask_epi8(stops); bits != 0) {
      return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(bits)));
    }
  }
#endif
  while (i < size && text[i] != quote && text[i] != '\\' && text[i] != 0) ++i;
  return i;
}

// The index of the first unit of text[0, size) at or above limit, a power of
// two, or size. Text that is mostly ASCII, or has no surrogates, is passed
// over sixteen units a round (SSE2) or four (a 64-bit word).
inline std::size_t FindUnitAtLeast(const char16_t* text, std::size_t size,
                                   std::uint16_t limit) noexcept {
  const auto highBits = static_cast<std::uint16_t>(0x10000 - limit);
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi16(static_cast<short>(highBits));
  const auto load = [text](std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
  };
  for (; i + 16 <= size; i += 16) {
    const __m128i high = _mm_and_si128(_mm_or_si128(load(i), load(i + 8)), mask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) break;
  }
#else
  for (std::uint64_t word; i + 4 <= size; i += 4) {
    std::memcpy(&word, text + i, sizeof word);
    if (word & 0x0001000100010001ull * highBits) break;
  }
#endif
  while (i < size && text[i] < limit) ++i;
  return i;
}

}  // namespace json_scan
