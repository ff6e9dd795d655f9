// Decoding UTF-8 sixteen bytes at a time where the text allows it.
//
// Text in Central European languages mixes ASCII with two-byte letters every
// few bytes, too finely for an ASCII fast path. On processors with byte
// shuffles (SSSE3, chosen at run time) such text decodes a block of sixteen
// bytes in one go; anything else is left to the unit-by-unit decoder.
#pragma once

#include <cstddef>

// Decodes 16-byte blocks of bytes[0, n) made only of ASCII and well-formed
// two-byte sequences (leads C2-DF) and stops before the first block that
// holds anything else (a longer sequence, an invalid byte, a sequence cut by
// the end); yields the bytes used and moves out past the units written. The
// bytes used always end on a sequence boundary and decode exactly as the
// unit-by-unit decoder decodes them. out must have room for n units (the
// blocks store whole vectors, so units past those written may change).
// Yields 0 when the processor has no block decoder.
std::size_t DecodeOneAndTwoByteBlocks(const char* bytes, std::size_t n, char16_t*& out) noexcept;

// The instruction set of the block decoder chosen for this processor
// ("ssse3"), or "" when there is none.
const char* Utf8BlockDecoderName() noexcept;
