#include "json/writer/json_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

std::int32_t ZeroTerminatedLength(const char16_t* text) noexcept {
  if (!text) return 0;
  return static_cast<std::int32_t>(std::char_traits<char16_t>::length(text));
}

TJsonWriterString::TJsonWriterString()
    : FChars(std::make_unique_for_overwrite<char16_t[]>(kInitialCapacity)) {
  // Not required before the first append, but a fresh sink then reads as
  // empty text instead of garbage.
  FChars[0] = u'\0';
}

void TJsonWriterString::Grow(std::int32_t count, const char16_t* pending) {
  // Computed in 64 bits: a buffer near the 32-bit limit must fail cleanly
  // instead of wrapping to a small capacity and writing past it.
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  const std::int64_t needed = std::int64_t{FCharCount} + count + kSlack;
  if (needed > kLimit) throw std::length_error("JSON text exceeds 2^31 code units");
  const std::int64_t capacity = std::min(std::max(2 * std::int64_t{FCapacity}, needed), kLimit);

  auto chars = std::make_unique_for_overwrite<char16_t[]>(static_cast<std::size_t>(capacity));
  std::memcpy(chars.get(), FChars.get(), static_cast<std::size_t>(FCharCount) * sizeof(char16_t));
  // The pending run may lie in the old buffer (a caller re-appending part of
  // the text), so it is copied before that buffer goes.
  if (pending) {
    std::memcpy(chars.get() + FCharCount, pending,
                static_cast<std::size_t>(count) * sizeof(char16_t));
  }
  FChars = std::move(chars);
  FCapacity = static_cast<std::int32_t>(capacity);
}

std::int32_t TJsonWriterString::AppendGrowing(const char16_t* chars, std::int32_t count) {
  if (count <= 0) return count;
  Grow(count, chars);
  FCharCount += count;
  FChars[FCharCount] = u'\0';
  return count;
}

std::int32_t TJsonWriterString::AppendText(const char16_t* text) {
  return AppendChars(text, ZeroTerminatedLength(text));
}

void TJsonWriterString::ResetOutput() noexcept {
  FChars[0] = u'\0';
  FCharCount = 0;
}

void TJsonWriterString::TrimTrailingBlanks() noexcept {
  while (FCharCount > 0) {
    const char16_t last = FChars[FCharCount - 1];
    if (last != u'\n' && last != u'\r' && last != u' ') break;
    --FCharCount;
  }
  FChars[FCharCount] = u'\0';
}

std::int32_t TJsonWriterFake::AppendChars(const char16_t*, std::int32_t count) noexcept {
  if (count > 0) FCharTotal += count;
  return FCharTotal;
}

std::int32_t TJsonWriterFake::AppendText(const char16_t* text) noexcept {
  FCharTotal += ZeroTerminatedLength(text);
  return FCharTotal;
}
