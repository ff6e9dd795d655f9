#include "text/utf8_blocks.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <array>
#include <cstdint>

namespace {

// For each set of lanes to keep among eight 16-bit lanes: the byte shuffle
// that moves those lanes, in order, to the front, and how many there are.
struct TCompactions {
  std::array<std::array<std::uint8_t, 16>, 256> Shuffle{};
  std::array<std::uint8_t, 256> Count{};
};

constexpr TCompactions MakeCompactions() {
  TCompactions table;
  for (unsigned keep = 0; keep < 256; ++keep) {
    unsigned to = 0;
    for (unsigned lane = 0; lane < 8; ++lane) {
      if ((keep >> lane & 1) == 0) continue;
      table.Shuffle[keep][2 * to] = static_cast<std::uint8_t>(2 * lane);
      table.Shuffle[keep][2 * to + 1] = static_cast<std::uint8_t>(2 * lane + 1);
      ++to;
    }
    table.Count[keep] = static_cast<std::uint8_t>(to);
    // The lanes behind the kept ones are don't-cares: zero them.
    for (; to < 8; ++to) table.Shuffle[keep][2 * to] = table.Shuffle[keep][2 * to + 1] = 0x80;
  }
  return table;
}

constexpr TCompactions kCompactions = MakeCompactions();

// Writes the kept lanes of eight units at out; yields how many there are.
__attribute__((target("ssse3"))) std::size_t StoreKept(char16_t* out, __m128i units,
                                                       unsigned keep) noexcept {
  const __m128i shuffle =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kCompactions.Shuffle[keep].data()));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(units, shuffle));
  return kCompactions.Count[keep];
}

// Each block is checked as a whole, then every byte gives the unit it would
// start and the units that continuation bytes gave are squeezed out, so no
// branch depends on which bytes are letters.
__attribute__((target("ssse3"))) std::size_t DecodeBlocksSsse3(const char* bytes, std::size_t n,
                                                               char16_t*& out) noexcept {
  const auto bytesOf = [](int b) { return _mm_set1_epi8(static_cast<char>(b)); };
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = 0;
  char16_t* dst = out;
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    if (_mm_movemask_epi8(v) == 0) {
      // Sixteen ASCII bytes, widened as they are.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(v, zero));
      dst += 16;
      i += 16;
      continue;
    }
    const __m128i top2 = _mm_and_si128(v, bytesOf(0xC0));
    const __m128i leads = _mm_cmpeq_epi8(top2, bytesOf(0xC0));
    const __m128i continuations = _mm_cmpeq_epi8(top2, bytesOf(0x80));
    // Leads of three- and four-byte sequences (and bytes F5-FF), and C0/C1,
    // which start only overlong forms.
    const __m128i longLeads = _mm_cmpeq_epi8(_mm_and_si128(v, bytesOf(0xE0)), bytesOf(0xE0));
    const __m128i overlongLeads = _mm_cmpeq_epi8(_mm_and_si128(v, bytesOf(0xFE)), bytesOf(0xC0));
    const auto lead = static_cast<unsigned>(_mm_movemask_epi8(leads));
    const auto continuation = static_cast<unsigned>(_mm_movemask_epi8(continuations));
    const auto bad = _mm_movemask_epi8(_mm_or_si128(longLeads, overlongLeads));
    // Every continuation byte follows a lead, every lead but the last byte's
    // has one.
    if (bad != 0 || continuation != ((lead << 1) & 0xFFFF)) break;

    // A lead in the last byte waits for the next block with its continuation.
    const unsigned lastLead = lead >> 15;
    const unsigned keep = ~continuation & ~(lastLead << 15) & 0xFFFF;
    // The unit each byte would start, as its low and high byte: the byte
    // itself, or for a lead ((lead & 0x1F) << 6) | (next & 0x3F). Shifts of
    // 16-bit lanes carry bits across bytes; the masks drop them.
    const __m128i next = _mm_srli_si128(v, 1);
    const __m128i leadLow = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(v, 6), bytesOf(0xC0)),
                                         _mm_and_si128(next, bytesOf(0x3F)));
    const __m128i leadHigh = _mm_and_si128(_mm_srli_epi16(v, 2), bytesOf(0x07));
    const __m128i unitLow = _mm_or_si128(_mm_and_si128(leads, leadLow), _mm_andnot_si128(leads, v));
    const __m128i unitHigh = _mm_and_si128(leads, leadHigh);
    const __m128i low = _mm_unpacklo_epi8(unitLow, unitHigh);
    const __m128i high = _mm_unpackhi_epi8(unitLow, unitHigh);
    dst += StoreKept(dst, low, keep & 0xFF);
    dst += StoreKept(dst, high, keep >> 8);
    i += 16 - lastLead;
  }
  out = dst;
  return i;
}

using TBlockDecoder = std::size_t (*)(const char*, std::size_t, char16_t*&) noexcept;

TBlockDecoder ChosenDecoder() noexcept {
  // One CPUID, asked the first time text needs decoding. The compiler's
  // feature test would link in a start-up routine asking some ten of them at
  // every start, and each one is slow under a hypervisor.
  static const TBlockDecoder chosen = [] {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    const bool ssse3 = __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_SSSE3) != 0;
    return ssse3 ? &DecodeBlocksSsse3 : nullptr;
  }();
  return chosen;
}

}  // namespace

std::size_t DecodeOneAndTwoByteBlocks(const char* bytes, std::size_t n, char16_t*& out) noexcept {
  const TBlockDecoder decoder = ChosenDecoder();
  return decoder != nullptr ? decoder(bytes, n, out) : 0;
}

const char* Utf8BlockDecoderName() noexcept { return ChosenDecoder() != nullptr ? "ssse3" : ""; }

#else

std::size_t DecodeOneAndTwoByteBlocks(const char*, std::size_t, char16_t*&) noexcept { return 0; }

const char* Utf8BlockDecoderName() noexcept { return ""; }

#endif
