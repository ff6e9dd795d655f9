// The writer's escape rule as one table, and every test of it the escapers
// use, derived from that table: unit by unit, a block at a time (a vector
// register or a 64-bit word), and sixteen units packed into bytes (SSE2).
// Internal to the writer; tests hold each engine against the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "json/json_unit_scan.h"

namespace json::internal {

// For units below U+0080: 0 = written as it is, 'u' = \u00xx, any other
// letter or sign = the two-unit escape with that second unit.
constexpr std::array<char16_t, 128> MakeEscapeTable(bool full) {
  std::array<char16_t, 128> table{};
  table[0] = u'u';
  table[u'"'] = u'"';
  table[u'\\'] = u'\\';
  if (full) {
    for (char16_t c = 1; c < 0x20; ++c) table[c] = u'u';
    table[0x08] = u'b';
    table[0x09] = u't';
    table[0x0A] = u'n';
    table[0x0C] = u'f';
    table[0x0D] = u'r';
    table[u'/'] = u'/';
  }
  return table;
}

template <bool kFull>
struct TEscapeRule {
  static constexpr std::array<char16_t, 128> kAscii = MakeEscapeTable(kFull);
  // The kind of every unit from U+0080 on.
  static constexpr char16_t kHigh = kFull ? u'u' : 0;

  static constexpr char16_t Kind(char16_t unit) noexcept {
    return unit < 0x80 ? kAscii[unit] : kHigh;
  }
  static constexpr bool Needs(char16_t unit) noexcept { return Kind(unit) != 0; }

  // The same rule in the shape the block tests take: every unit below
  // kPlainFrom or from kPlainTo on is escaped, and between them exactly
  // kSpecials. By construction from the table.
  static constexpr std::uint16_t kPlainFrom = [] {
    std::uint16_t unit = 0;
    while (kAscii[unit] != 0) ++unit;
    return unit;
  }();
  static constexpr std::uint32_t kPlainTo = kHigh != 0 ? 0x80 : 0x10000;
  static constexpr std::size_t kSpecialCount = [] {
    std::size_t count = 0;
    for (std::size_t unit = kPlainFrom; unit < 0x80; ++unit) count += kAscii[unit] != 0;
    return count;
  }();
  static constexpr std::array<char16_t, kSpecialCount> kSpecials = [] {
    std::array<char16_t, kSpecialCount> specials{};
    std::size_t count = 0;
    for (std::size_t unit = kPlainFrom; unit < 0x80; ++unit) {
      if (kAscii[unit] != 0) specials[count++] = static_cast<char16_t>(unit);
    }
    return specials;
  }();

  // What the lane tests can take.
  static_assert((kPlainTo & (kPlainTo - 1)) == 0 && kPlainTo >= 0x80);
  static_assert(kPlainFrom >= 1 && kPlainFrom <= 0x8000);
};

template <class Block, class Rule, std::size_t... I>
inline Block SpecialLanes(Block block, std::index_sequence<I...>) noexcept {
  return (Block{} | ... | json_scan::LanesEqual(block, Rule::kSpecials[I]));
}

// Whether some unit of block needs an escape: exact as a whole, for a
// vector block and a word block alike.
template <bool kFull, class Block>
inline bool BlockNeedsEscape(Block block) noexcept {
  using Rule = TEscapeRule<kFull>;
  Block lanes = json_scan::LanesBelow(block, Rule::kPlainFrom) |
                SpecialLanes<Block, Rule>(block, std::make_index_sequence<Rule::kSpecialCount>{});
  if constexpr (Rule::kPlainTo < 0x10000) lanes |= json_scan::LanesAtLeast(block, Rule::kPlainTo);
  return json_scan::AnyLane(lanes);
}

#if defined(__SSE2__)
template <class Rule, std::size_t... I>
inline __m128i SpecialLanes16(__m128i block, std::index_sequence<I...>) noexcept {
  __m128i lanes = _mm_setzero_si128();
  ((lanes = _mm_or_si128(
        lanes, _mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(Rule::kSpecials[I]))))),
   ...);
  return lanes;
}

// Sixteen units packed into sixteen bytes when none of them needs a full
// escape; false, with nothing written, when one does. A unit lies outside
// kPlainFrom..kPlainTo-1 when taking kPlainFrom off leaves more than the
// width of that range (units below it wrap around far above).
inline bool PutPlainAscii16(char* out, const char16_t* units) noexcept {
  using Rule = TEscapeRule<true>;
  static_assert(Rule::kPlainTo == 0x80, "packing to bytes needs every plain unit to be ASCII");
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
  const auto escapes = [](__m128i block) {
    const __m128i outside =
        _mm_subs_epu16(_mm_sub_epi16(block, _mm_set1_epi16(static_cast<short>(Rule::kPlainFrom))),
                       _mm_set1_epi16(static_cast<short>(Rule::kPlainTo - 1 - Rule::kPlainFrom)));
    return _mm_or_si128(
        outside, SpecialLanes16<Rule>(block, std::make_index_sequence<Rule::kSpecialCount>{}));
  };
  const __m128i any = _mm_or_si128(escapes(low), escapes(high));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
  return true;
}
#endif

}  // namespace json::internal
