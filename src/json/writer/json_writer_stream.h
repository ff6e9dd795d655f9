// Sinks that turn the writer's UTF-16 units into bytes of a TJsonByteStream.
//
// A stream sink remembers a failed write: every later append yields -1 as
// well, so the result of a whole serialisation (its last append) shows that
// some of the text was lost.
#pragma once

#include <algorithm>
#include <cstdint>

#include "json/writer/json_byte_stream.h"
#include "json/writer/json_writer.h"

class TJsonWriterStream : public TJsonWriter {
 public:
  std::int32_t AppendText(const char16_t* text) override;
  // Empties the stream and forgets an earlier failure.
  void ResetOutput() override;

  TJsonByteStream& Stream() const noexcept { return FStream; }

 protected:
  // The stream is the caller's and must outlive the sink.
  explicit TJsonWriterStream(TJsonByteStream& stream) noexcept : FStream(stream) {}
  // Writes the bytes; yields their count, or -1 now and after any failure.
  std::int32_t Emit(const void* bytes, std::int32_t count);

 private:
  TJsonByteStream& FStream;
  bool FFailed = false;
};

// One byte per unit: its low 8 bits. Meant for escaped (pure ASCII) text.
class TJsonAnsiWriterStream final : public TJsonWriterStream {
 public:
  explicit TJsonAnsiWriterStream(TJsonByteStream& stream) noexcept : TJsonWriterStream(stream) {}
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) override;
};

// Two bytes per unit, little-endian (UTF-16LE).
class TJsonUnicodeWriterStream final : public TJsonWriterStream {
 public:
  explicit TJsonUnicodeWriterStream(TJsonByteStream& stream) noexcept : TJsonWriterStream(stream) {}
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) override;
};

// Low bytes of count units into out, which holds at least count bytes.
void NarrowUnits(const char16_t* chars, std::int32_t count, unsigned char* out) noexcept;

// Hands the low bytes of count units to emit(bytes, n) piecewise through the stack, never the
// heap. emit yields a negative number when it fails. Yields count, or -1 at the first failure.
template <typename TEmit>
std::int32_t EmitNarrowUnits(const char16_t* chars, std::int32_t count, TEmit emit) {
  constexpr std::int32_t kChunkBytes = 1024;
  unsigned char buffer[kChunkBytes];
  std::int32_t written = 0;
  while (written < count) {
    const std::int32_t piece = std::min(count - written, kChunkBytes);
    NarrowUnits(chars + written, piece, buffer);
    if (emit(buffer, piece) < 0) return -1;
    written += piece;
  }
  return written;
}
