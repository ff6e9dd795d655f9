#include "json/json_escape.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "json/json_writer.h"

namespace {

// For units below U+0080: 0 = written as it is, 'u' = \u00xx, any other
// letter or sign = the two-unit escape with that second unit.
constexpr std::array<char16_t, 128> MakeTable(bool full) {
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

constexpr std::array<char16_t, 128> kFullTable = MakeTable(true);
constexpr std::array<char16_t, 128> kMinimalTable = MakeTable(false);

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

template <bool kFull>
inline bool NeedsEscape(char16_t unit) noexcept {
  if constexpr (kFull) {
    return unit >= 0x80 || kFullTable[unit] != 0;
  } else {
    return unit < 0x80 && kMinimalTable[unit] != 0;
  }
}

// Four units at a time: whether any of them may need an escape. Lanes are
// 16 bits; (v - 1) & ~v & 0x8000 flags a zero lane exactly as far as "is
// there one" goes, which is all the scan needs.
constexpr std::uint64_t kLaneOnes = 0x0001000100010001;
constexpr std::uint64_t kLaneHighs = 0x8000800080008000;

constexpr std::uint64_t ZeroLanes(std::uint64_t v) noexcept {
  return (v - kLaneOnes) & ~v & kLaneHighs;
}

template <bool kFull>
inline bool BlockNeedsEscape(const char16_t* p) noexcept {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  const std::uint64_t quotes = ZeroLanes(v ^ (kLaneOnes * u'"'));
  const std::uint64_t backslashes = ZeroLanes(v ^ (kLaneOnes * u'\\'));
  if constexpr (kFull) {
    if (v & (kLaneOnes * 0xFF80)) return true;  // a unit at or above U+0080
    // Every lane is below U+0080 now, so subtracting 0x20 borrows into the
    // lane's top bit exactly for the control units.
    const std::uint64_t controls = (v - kLaneOnes * 0x20) & ~v & kLaneHighs;
    const std::uint64_t slashes = ZeroLanes(v ^ (kLaneOnes * u'/'));
    return (controls | quotes | backslashes | slashes) != 0;
  } else {
    return (ZeroLanes(v) | quotes | backslashes) != 0;
  }
}

template <bool kFull, class Sink>
void AppendEscapedIn(Sink& sink, const char16_t* first, const char16_t* last) {
  const char16_t* run = first;
  const char16_t* p = first;
  while (p != last) {
    while (last - p >= 4 && !BlockNeedsEscape<kFull>(p)) p += 4;
    const char16_t* stop = last - p >= 4 ? p + 4 : last;
    while (p != stop && !NeedsEscape<kFull>(*p)) ++p;
    if (p == stop) continue;

    const char16_t unit = *p;
    if (p != run) sink.AppendChars(run, static_cast<std::int32_t>(p - run));
    run = ++p;
    const char16_t kind = unit < 0x80 ? (kFull ? kFullTable : kMinimalTable)[unit] : u'u';
    if (kind != u'u') {
      const char16_t escape[2] = {u'\\', kind};
      sink.AppendChars(escape, 2);
    } else {
      const char16_t escape[6] = {u'\\',
                                  u'u',
                                  kHexDigits[unit >> 12],
                                  kHexDigits[(unit >> 8) & 0xF],
                                  kHexDigits[(unit >> 4) & 0xF],
                                  kHexDigits[unit & 0xF]};
      sink.AppendChars(escape, 6);
    }
  }
  if (last != run) sink.AppendChars(run, static_cast<std::int32_t>(last - run));
}

template <class Sink>
void AppendEscapedTo(Sink& sink, std::u16string_view text, bool escapeNonAscii) {
  const char16_t* first = text.data();
  const char16_t* last = first + text.size();
  if (escapeNonAscii) {
    AppendEscapedIn<true>(sink, first, last);
  } else {
    AppendEscapedIn<false>(sink, first, last);
  }
}

}  // namespace

void AppendEscaped(TJsonWriter& sink, std::u16string_view text, bool escapeNonAscii) {
  AppendEscapedTo(sink, text, escapeNonAscii);
}

void AppendEscaped(TJsonWriterString& sink, std::u16string_view text, bool escapeNonAscii) {
  AppendEscapedTo(sink, text, escapeNonAscii);
}
