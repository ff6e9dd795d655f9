#include "json/writer/json_escape.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "json/json_unit_scan.h"
#include "json/writer/json_escape_rule.h"
#include "json/writer/json_writer.h"

namespace {

using json::internal::BlockNeedsEscape;
using json::internal::TEscapeRule;

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

template <bool kFull, class Sink>
void AppendEscapedIn(Sink& sink, const char16_t* first, const char16_t* last) {
  const char16_t* run = first;
  for (const char16_t* p = first; p != last; ++p) {
    // Skip the ordinary units up to the next one that needs an escape.
    p += json_scan::FindStop(
        p, static_cast<std::size_t>(last - p),
        [](json_scan::TBlock block) { return BlockNeedsEscape<kFull>(block); },
        [](char16_t unit) { return TEscapeRule<kFull>::Needs(unit); });
    if (p == last) break;
    const char16_t unit = *p;
    if (p != run) sink.AppendChars(run, static_cast<std::int32_t>(p - run));
    run = p + 1;

    const char16_t kind = TEscapeRule<kFull>::Kind(unit);
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

// Gathers the short pieces of escaped text (escapes and the short runs
// between them) and hands them to the string sink in larger appends; text
// with many escapes (any non-Latin script) would otherwise cost one append
// per unit.
template <class Target>
class TGatheringSink {
 public:
  explicit TGatheringSink(Target& sink) noexcept : FSink(sink) {}

  void AppendChars(const char16_t* chars, std::int32_t count) {
    if (count > kCapacity - FCount) {
      Flush();
      if (count > kCapacity / 2) {
        FSink.AppendChars(chars, count);
        return;
      }
    }
    char16_t* out = FChars + FCount;
    if (count <= 8) {
      // Escapes: a loop the compiler keeps inline, unlike a call of memcpy.
      for (std::int32_t k = 0; k < count; ++k) out[k] = chars[k];
    } else {
      std::memcpy(out, chars, static_cast<std::size_t>(count) * sizeof(char16_t));
    }
    FCount += count;
  }
  void Flush() {
    FSink.AppendChars(FChars, FCount);
    FCount = 0;
  }

 private:
  static constexpr std::int32_t kCapacity = 1024;
  Target& FSink;
  std::int32_t FCount = 0;
  char16_t FChars[kCapacity];
};

}  // namespace

void AppendEscaped(TJsonWriter& sink, std::u16string_view text, bool escapeNonAscii) {
  AppendEscapedTo(sink, text, escapeNonAscii);
}

namespace {

// Room for a long text and some escapes at once, instead of doubling up to it.
std::size_t RoomFor(std::u16string_view text) noexcept {
  return text.size() >= 1024 ? text.size() + text.size() / 8 : 0;
}

}  // namespace

void AppendEscaped(TJsonWriterString& sink, std::u16string_view text, bool escapeNonAscii) {
  if (const std::size_t room = RoomFor(text)) {
    sink.Reserve(static_cast<std::int32_t>(std::min<std::size_t>(room, INT32_MAX / 2)));
  }
  TGatheringSink gathering(sink);
  AppendEscapedTo(gathering, text, escapeNonAscii);
  gathering.Flush();
}

namespace {

// The units one unit of that kind takes once escaped: 1, 2 or 6.
constexpr unsigned char SizeOfKind(char16_t kind) noexcept {
  return kind == 0 ? 1 : kind == u'u' ? 6 : 2;
}

// The same for each unit below U+0080, looked up.
template <bool kFull>
constexpr std::array<unsigned char, 128> kSizes = [] {
  std::array<unsigned char, 128> sizes{};
  for (std::size_t c = 0; c < 128; ++c) sizes[c] = SizeOfKind(TEscapeRule<kFull>::kAscii[c]);
  return sizes;
}();

// The two hex digits of every byte value, as two characters of the output.
template <class TChar>
constexpr std::array<std::array<TChar, 2>, 256> MakeHexPairs() {
  std::array<std::array<TChar, 2>, 256> pairs{};
  for (std::size_t b = 0; b < 256; ++b) {
    pairs[b] = {static_cast<TChar>(kHexDigits[b >> 4]), static_cast<TChar>(kHexDigits[b & 0xF])};
  }
  return pairs;
}

template <class TChar>
constexpr std::array<std::array<TChar, 2>, 256> kHexPairs = MakeHexPairs<TChar>();

// Writes one unit at out, escaped or not, without a branch on which: all six
// places of the longest escape are stored and out moves on by the size that
// counts. out must have room for six characters. Narrow output is only made
// with full escaping, where every unit that is not escaped is ASCII.
template <bool kFull, class TChar>
inline TChar* PutUnit(TChar* out, char16_t unit) noexcept {
  static_assert(kFull || sizeof(TChar) == sizeof(char16_t));
  using Rule = TEscapeRule<kFull>;
  const bool low = unit < 0x80;
  const std::size_t size = low ? kSizes<kFull>[unit] : SizeOfKind(Rule::kHigh);
  const char16_t kind = Rule::Kind(unit);
  out[0] = static_cast<TChar>(size == 1 ? unit : u'\\');
  out[1] = static_cast<TChar>(kind);
  std::memcpy(out + 2, kHexPairs<TChar>[unit >> 8].data(), 2 * sizeof(TChar));
  std::memcpy(out + 4, kHexPairs<TChar>[unit & 0xFF].data(), 2 * sizeof(TChar));
  return out + size;
}

// A block without a unit to escape, copied whole; into narrow output each of
// its units (all ASCII) becomes one byte, with SSE2 all eight in one pack
// (the long results handed out in blocks are such text for megabytes).
template <class TChar>
inline TChar* PutPlainBlock(TChar* out, const char16_t* units) noexcept {
  using json_scan::kBlockUnits;
  if constexpr (sizeof(TChar) == sizeof(char16_t)) {
    std::memcpy(out, units, kBlockUnits * sizeof(char16_t));
  } else {
#if defined(__SSE2__)
    static_assert(kBlockUnits == 8);
    const __m128i wide = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(wide, wide));
#else
    for (std::size_t k = 0; k < kBlockUnits; ++k) out[k] = static_cast<TChar>(units[k]);
#endif
  }
  return out + kBlockUnits;
}

// Texts are escaped a piece at a time into a buffer on the stack.
constexpr std::size_t kPiece = 512;

// Escapes the units from p to pieceEnd (at most kPiece) into out and gives
// back the end of what was written: blocks without a unit to escape are
// copied whole, the others unit by unit without a branch per unit (text
// where a letter with diacritics comes every few units would mispredict
// every run boundary).
template <bool kFull, class TChar>
TChar* EscapePiece(TChar* out, const char16_t* p, const char16_t* pieceEnd) noexcept {
  using json_scan::kBlockUnits;
#if defined(__SSE2__)
  if constexpr (sizeof(TChar) == 1) {
    // Narrow output is what goes on the wire, mostly long plain text: it is
    // tested and packed sixteen units per round.
    for (; pieceEnd - p >= 16; p += 16) {
      if (json::internal::PutPlainAscii16(out, p)) {
        out += 16;
      } else {
        for (std::size_t k = 0; k < 16; ++k) out = PutUnit<kFull>(out, p[k]);
      }
    }
  }
#endif
  for (; pieceEnd - p >= static_cast<std::ptrdiff_t>(kBlockUnits); p += kBlockUnits) {
    if (!BlockNeedsEscape<kFull>(json_scan::LoadBlock(p))) {
      out = PutPlainBlock(out, p);
    } else {
      for (std::size_t k = 0; k < kBlockUnits; ++k) out = PutUnit<kFull>(out, p[k]);
    }
  }
  for (; p != pieceEnd; ++p) out = PutUnit<kFull>(out, *p);
  return out;
}

// Room for the whole of a long text at once, as far as its first piece
// (written bytes for kPiece units) tells how much the escapes add, instead
// of doubling up to its size.
template <class TChar>
void MakeRoom(std::basic_string<TChar>& out, std::size_t written, std::size_t rest,
              std::size_t most) {
  const std::size_t room = written + rest / kPiece * written + rest % kPiece * 6 + rest / 8;
  out.reserve(out.size() + std::min(room, most));
}

template <bool kFull, class TChar>
void AppendEscapedToString(std::basic_string<TChar>& out, std::u16string_view text) {
  TChar buffer[6 * kPiece];
  const char16_t* p = text.data();
  const char16_t* const last = p + text.size();
  while (p != last) {
    const char16_t* const pieceEnd = p + std::min<std::size_t>(kPiece, last - p);
    const auto written = static_cast<std::size_t>(EscapePiece<kFull>(buffer, p, pieceEnd) - buffer);
    p = pieceEnd;
    if (p - text.data() == static_cast<std::ptrdiff_t>(kPiece) && last - p > 0) {
      MakeRoom(out, written, static_cast<std::size_t>(last - p), SIZE_MAX);
    }
    out.append(buffer, written);
  }
}

}  // namespace

void AppendEscaped(std::u16string& out, std::u16string_view text, bool escapeNonAscii) {
  if (escapeNonAscii) {
    AppendEscapedToString<true>(out, text);
  } else {
    AppendEscapedToString<false>(out, text);
  }
}

void AppendEscapedAscii(std::string& out, std::u16string_view text) {
  AppendEscapedToString<true>(out, text);
}

std::size_t AppendEscapedAsciiWithin(std::string& out, std::u16string_view text, std::size_t room) {
  char buffer[6 * kPiece];
  const char16_t* p = text.data();
  const char16_t* const last = p + text.size();
  std::size_t used = 0;
  while (p != last) {
    const char16_t* const pieceEnd = p + std::min<std::size_t>(kPiece, last - p);
    auto written = static_cast<std::size_t>(EscapePiece<true>(buffer, p, pieceEnd) - buffer);
    if (written > room - used) {
      // The piece fits only in part: the buffer holds its escapes in order,
      // so the part that fits is counted unit by unit and taken from there.
      written = 0;
      for (; p != pieceEnd; ++p) {
        const std::size_t size = EscapedAsciiSize(*p);
        if (size > room - used - written) break;
        written += size;
      }
      out.append(buffer, written);
      return static_cast<std::size_t>(p - text.data());
    }
    p = pieceEnd;
    if (used == 0 && last - p > 0) {
      // A little more than the room, for what usually follows the text (the
      // rest of a reply around it).
      MakeRoom(out, written, static_cast<std::size_t>(last - p), room + 256);
    }
    out.append(buffer, written);
    used += written;
  }
  return text.size();
}

std::size_t PlainEscapedLength(std::u16string_view text) noexcept {
  return json_scan::FindStop(
      text.data(), text.size(),
      [](json_scan::TBlock block) { return BlockNeedsEscape<true>(block); },
      [](char16_t unit) { return TEscapeRule<true>::Needs(unit); });
}

std::size_t PlainEscapedLength(std::string_view bytes) noexcept {
  std::size_t i = 0;
  while (i < bytes.size() && !TEscapeRule<true>::Needs(static_cast<unsigned char>(bytes[i]))) ++i;
  return i;
}

std::size_t EscapedAsciiSize(char16_t unit) noexcept {
  return unit < 0x80 ? kSizes<true>[unit] : SizeOfKind(TEscapeRule<true>::kHigh);
}

std::size_t EscapedAsciiUnitsWithin(std::u16string_view text, std::size_t room) noexcept {
  // Every unit takes at most six bytes: a text that surely fits needs no count.
  if (text.size() <= room / 6) return text.size();
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    // Runs of units that go out as they are, one byte each, counted in bulk.
    const std::size_t plain = std::min(PlainEscapedLength(text.substr(i)), room - used);
    i += plain;
    used += plain;
    if (i == text.size()) break;
    used += EscapedAsciiSize(text[i]);
    if (used > room) return i;
    ++i;
  }
  return text.size();
}
