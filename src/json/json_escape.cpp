#include "json/json_escape.h"

#include <array>
#include <cstdint>

#include "json/json_unit_scan.h"
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

// Non-zero when one of the four units in word may need an escape.
template <bool kFull>
inline std::uint64_t WordNeedsEscape(std::uint64_t word) noexcept {
  using namespace json_scan;
  const std::uint64_t specials = LanesEqual(word, u'"') | LanesEqual(word, u'\\');
  if constexpr (kFull) {
    // Any lane at U+0080 or above; otherwise all lanes are ASCII and the
    // below-test is exact for the control characters.
    return (word & 0xFF80FF80FF80FF80ull) | LanesBelow(word, 0x20) | specials |
           LanesEqual(word, u'/');
  } else {
    return LanesBelow(word, 1) | specials;
  }
}

template <bool kFull, class Sink>
void AppendEscapedIn(Sink& sink, const char16_t* first, const char16_t* last) {
  const char16_t* run = first;
  for (const char16_t* p = first; p != last; ++p) {
    // Skip the ordinary units up to the next one that needs an escape.
    p += json_scan::FindStop(
        p, static_cast<std::size_t>(last - p),
        [](std::uint64_t word) { return WordNeedsEscape<kFull>(word); },
        [](char16_t unit) { return NeedsEscape<kFull>(unit); });
    if (p == last) break;
    const char16_t unit = *p;
    if (p != run) sink.AppendChars(run, static_cast<std::int32_t>(p - run));
    run = p + 1;

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
