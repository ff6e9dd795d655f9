#include "text/ascii_runs.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Sixteen at a time with SSE2, tested and converted in one pass; eight bytes
// or four units in a 64-bit word elsewhere. The rest one by one.

std::size_t WidenAsciiRun(const char* bytes, std::size_t n, char16_t* out) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    if (_mm_movemask_epi8(v) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#else
  for (std::uint64_t word; i + 8 <= n; i += 8) {
    std::memcpy(&word, bytes + i, sizeof word);
    if (word & 0x8080808080808080ull) break;
    for (std::size_t k = 0; k < 8; ++k) out[i + k] = static_cast<unsigned char>(bytes[i + k]);
  }
#endif
  for (; i < n && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  return i;
}

std::size_t NarrowAsciiRun(const char16_t* text, std::size_t n, char* out) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Adding 0x7F80 with saturation sets the top bit of exactly the units
  // above U+007F.
  const __m128i toTopBit = _mm_set1_epi16(0x7F80);
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
    const __m128i marked = _mm_adds_epu16(_mm_or_si128(a, b), toTopBit);
    if ((_mm_movemask_epi8(marked) & 0xAAAA) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
#else
  for (std::uint64_t word; i + 4 <= n; i += 4) {
    std::memcpy(&word, text + i, sizeof word);
    if (word & 0xFF80FF80FF80FF80ull) break;
    for (std::size_t k = 0; k < 4; ++k) out[i + k] = static_cast<char>(text[i + k]);
  }
#endif
  for (; i < n && text[i] < 0x80; ++i) out[i] = static_cast<char>(text[i]);
  return i;
}

std::size_t AsciiRunLength(const char* bytes, std::size_t n) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const int high =
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
    if (high != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
  }
#else
  for (std::uint64_t word; i + 8 <= n; i += 8) {
    std::memcpy(&word, bytes + i, sizeof word);
    if (word & 0x8080808080808080ull) break;
  }
#endif
  while (i < n && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}
