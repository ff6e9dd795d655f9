#include "json/writer/json_writer_stream.h"

#include <algorithm>
#include <bit>
#include <limits>

void NarrowUnits(const char16_t* chars, std::int32_t count, unsigned char* out) noexcept {
  for (std::int32_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(chars[i]);
}

std::int32_t TJsonWriterStream::AppendText(const char16_t* text) {
  return AppendChars(text, ZeroTerminatedLength(text));
}

void TJsonWriterStream::ResetOutput() {
  FStream.Truncate();
  FFailed = false;
}

std::int32_t TJsonWriterStream::Emit(const void* bytes, std::int32_t count) {
  if (FFailed) return -1;
  if (FStream.Write(bytes, count) != count) {
    FFailed = true;
    return -1;
  }
  return count;
}

std::int32_t TJsonAnsiWriterStream::AppendChars(const char16_t* chars, std::int32_t count) {
  if (count <= 0) return 0;
  return EmitNarrowUnits(
      chars, count, [this](const unsigned char* bytes, std::int32_t n) { return Emit(bytes, n); });
}

// Both targets are little-endian, so the units already lie in memory as UTF-16LE.
static_assert(std::endian::native == std::endian::little);

std::int32_t TJsonUnicodeWriterStream::AppendChars(const char16_t* chars, std::int32_t count) {
  if (count <= 0) return 0;
  // Only the byte count of a huge run would overflow; such a run goes in two writes.
  constexpr std::int32_t kMaxUnits = std::numeric_limits<std::int32_t>::max() / 2;
  for (std::int32_t written = 0; written < count;) {
    const std::int32_t piece = std::min(count - written, kMaxUnits);
    if (Emit(chars + written, piece * 2) < 0) return -1;
    written += piece;
  }
  return count <= kMaxUnits ? count * 2 : std::numeric_limits<std::int32_t>::max();
}
