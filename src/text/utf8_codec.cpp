#include "text/utf8_codec.h"

#include "text/ascii_runs.h"
#include "text/unicode.h"
#include "text/utf8_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kHighBits8 = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits8 = 0x0101010101010101ull;

// Decodes eight-byte words of bytes[0, n) made only of ASCII and well-formed
// two-byte sequences (leads C2-DF), and stops at the first word that holds
// anything else or no two-byte sequence at all; yields the bytes used and
// moves out past the units written. A lead in the last byte of a word is left
// for the next word. Each word is checked as a whole, then every byte gives
// a unit that is kept unless the byte is a continuation, so no branch depends
// on which bytes are letters.
std::size_t DecodeOneAndTwoByteRuns(const char* bytes, std::size_t n, char16_t*& out) noexcept {
  std::size_t i = 0;
  char16_t* dst = out;
  // Nine bytes: a lead in the last byte of the word reads the byte after it.
  while (i + 9 <= n) {
    std::uint64_t w;
    std::memcpy(&w, bytes + i, sizeof w);
    const std::uint64_t high = w & kHighBits8;
    if (high == 0) break;
    const std::uint64_t bit6 = (w << 1) & kHighBits8;
    const std::uint64_t bit5 = (w << 2) & kHighBits8;
    const std::uint64_t lead = high & bit6;
    const std::uint64_t continuation = high & ~bit6;
    // Leads C0 and C1 have none of the bits 0x1E.
    const std::uint64_t bits1to4 = ((w & (kLowBits8 * 0x1E)) + kLowBits8 * 0x7F) & kHighBits8;
    if ((lead & bit5) != 0 || (lead & ~bits1to4) != 0 || continuation != lead << 8) break;
    const std::uint64_t lastLead = lead >> 63;
    const std::uint64_t keep = ~continuation & kHighBits8 & ~(lastLead << 63);
    const auto* u = reinterpret_cast<const unsigned char*>(bytes + i);
    for (int k = 0; k < 8; ++k) {
      const unsigned isLead = static_cast<unsigned>(lead >> (8 * k + 7)) & 1;
      const unsigned two = (u[k] & 0x1Fu) << 6 | (u[k + 1] & 0x3Fu);
      *dst = static_cast<char16_t>(isLead ? two : u[k]);
      dst += (keep >> (8 * k + 7)) & 1;
    }
    i += 8 - lastLead;
  }
  out = dst;
  return i;
}

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes, TUtf8Mode mode) {
  std::u16string out;
  out.resize(bytes.size());  // never more units than bytes
  char16_t* dst = out.data();
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    // Requests are mostly ASCII.
    const std::size_t ascii = WidenAsciiRun(bytes.data() + i, n - i, dst);
    i += ascii;
    dst += ascii;
    if (i >= n) break;
    // Text with a letter with diacritics every few bytes (Czech) mixes ASCII
    // and two-byte sequences too finely for that path: sixteen bytes at a
    // time with vector shuffles where the processor has them, then eight
    // bytes at a time, while they hold nothing else. Both write no more units
    // than they read bytes, so the room sized above suffices.
    i += DecodeOneAndTwoByteBlocks(bytes.data() + i, n - i, dst);
    i += DecodeOneAndTwoByteRuns(bytes.data() + i, n - i, dst);
    if (i >= n) break;
    const unsigned char b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      *dst++ = b0;
      ++i;
      continue;
    }
    // Latin letters with diacritics (Czech text) are two-byte sequences.
    if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < n) {
      const unsigned char b1 = static_cast<unsigned char>(bytes[i + 1]);
      if (unicode::IsContinuation(b1)) {
        *dst++ = static_cast<char16_t>((b0 & 0x1F) << 6 | (b1 & 0x3F));
        i += 2;
        continue;
      }
    }
    char32_t c = 0;
    const std::size_t length = unicode::Utf8SequenceAt(bytes, i, c);
    if (length == 0) {
      *dst++ = mode == TUtf8Mode::umEscapeBytes ? static_cast<char16_t>(0xDC00 + b0)
                                                : unicode::kReplacement;
      ++i;
    } else if (c >= 0x10000) {
      unicode::PutPair(c, dst);
      dst += 2;
      i += length;
    } else {
      *dst++ = static_cast<char16_t>(c);
      i += length;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

std::string EncodeUtf8(std::u16string_view text, TUtf8Mode mode) {
  // Every unit takes at least one byte, so the output starts at the size of
  // the text and grows only for the units that take more.
  std::string out(text.size(), '\0');
  std::size_t o = 0;
  const std::size_t n = text.size();
  std::size_t i = 0;
  const auto reserve = [&](std::size_t bytes) {
    if (out.size() - o < bytes) out.resize(std::max(2 * out.size(), o + bytes));
  };
  while (i < n) {
    // Replies and requests are mostly ASCII.
    const std::size_t ascii = NarrowAsciiRun(text.data() + i, n - i, out.data() + o);
    o += ascii;
    i += ascii;
    if (i >= n) break;

    // The rest of the text needs at least one byte a unit, this one up to four.
    reserve(n - i + 3);
    std::size_t units = 1;
    const char32_t c = unicode::CharacterAt(text, i, units);
    if (!unicode::IsSurrogate(c)) {
      o += unicode::PutUtf8(c, out.data() + o);
    } else if (mode == TUtf8Mode::umEscapeBytes && c >= 0xDC80 && c <= 0xDCFF) {
      out[o++] = static_cast<char>(c - 0xDC00);
    } else {
      o += unicode::PutUtf8(unicode::kReplacement, out.data() + o);
    }
    i += units;
  }
  out.resize(o);
  return out;
}
