// Output sinks of the JSON writer.
//
// The serialiser hands a sink runs of UTF-16 code units; the sink decides
// where they go. TJsonWriterString collects them in memory (it is also the
// reader's token buffer), TJsonWriterFake only counts them. The byte-stream
// and socket sinks live in json_writer_stream.h and json_writer_sock.h.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class TJsonWriter {
 public:
  virtual ~TJsonWriter() = default;

  // Appends count units; a count of 0 or less appends nothing. The result is
  // sink-specific; a negative one means the sink failed.
  virtual std::int32_t AppendChars(const char16_t* chars, std::int32_t count) = 0;
  // Appends a zero-terminated text (the units before its first U+0000); a
  // null text appends nothing.
  virtual std::int32_t AppendText(const char16_t* text) = 0;
  // Forgets everything written so far.
  virtual void ResetOutput() = 0;

  // Convenience for the serialiser: the whole view, U+0000 units included.
  std::int32_t Append(std::u16string_view text) {
    return AppendChars(text.data(), static_cast<std::int32_t>(text.size()));
  }

 protected:
  TJsonWriter() = default;
  TJsonWriter(const TJsonWriter&) = default;
  TJsonWriter& operator=(const TJsonWriter&) = default;
};

// Number of units before the first U+0000; 0 for a null text.
std::int32_t ZeroTerminatedLength(const char16_t* text) noexcept;

// A growable UTF-16 buffer that is always zero-terminated: Chars()[CharCount()]
// is U+0000 after every append or reset, and CharCount() < Capacity().
// It starts with 32 units and grows to max(2 x Capacity, CharCount + count + 8)
// whenever an append would not leave room for the terminator.
class TJsonWriterString final : public TJsonWriter {
 public:
  static constexpr std::int32_t kInitialCapacity = 32;
  static constexpr std::int32_t kSlack = 8;

  TJsonWriterString();

  // Inline: the serialiser calls it for every run, separator and escape.
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) override {
    if (count <= 0 || count >= FCapacity - FCharCount) return AppendGrowing(chars, count);
    char16_t* out = FChars.get() + FCharCount;
    if (count <= 2) {
      out[0] = chars[0];
      if (count == 2) out[1] = chars[1];
    } else {
      std::memcpy(out, chars, static_cast<std::size_t>(count) * sizeof(char16_t));
    }
    FCharCount += count;
    out[count] = u'\0';
    return count;
  }
  std::int32_t AppendText(const char16_t* text) override;
  void ResetOutput() noexcept override;

  // Makes room for count more units at once (a long text about to be appended).
  void Reserve(std::int32_t count) {
    if (count > 0 && FCapacity - FCharCount <= count) Grow(count, nullptr);
  }

  // One unit; the reader's token loop calls this for every character.
  void AppendChar(char16_t unit) {
    if (FCapacity - FCharCount <= 1) Grow(1, nullptr);
    FChars[FCharCount++] = unit;
    FChars[FCharCount] = u'\0';
  }

  const char16_t* Chars() const noexcept { return FChars.get(); }
  std::int32_t CharCount() const noexcept { return FCharCount; }
  std::int32_t Capacity() const noexcept { return FCapacity; }

  // All CharCount units, U+0000 units included.
  std::u16string_view View() const noexcept {
    return {FChars.get(), static_cast<std::size_t>(FCharCount)};
  }
  std::u16string Text() const { return std::u16string(View()); }
  // The units before the first U+0000.
  std::u16string TextBeforeZero() const {
    return std::u16string(FChars.get(), static_cast<std::size_t>(ZeroTerminatedLength(Chars())));
  }

  // Drops trailing line feeds, carriage returns and spaces (not tabs): the
  // reader's bare words end that way.
  void TrimTrailingBlanks() noexcept;

 private:
  std::int32_t AppendGrowing(const char16_t* chars, std::int32_t count);
  // Reallocates for count more units, keeping the text; when pending is set
  // its count units are copied behind the text as well.
  void Grow(std::int32_t count, const char16_t* pending);

  std::unique_ptr<char16_t[]> FChars;
  std::int32_t FCharCount = 0;
  std::int32_t FCapacity = kInitialCapacity;
};

// Counts what would be written; MeasureJson uses it.
class TJsonWriterFake final : public TJsonWriter {
 public:
  // Both yield the new total.
  std::int32_t AppendChars(const char16_t* chars, std::int32_t count) noexcept override;
  std::int32_t AppendText(const char16_t* text) noexcept override;
  void ResetOutput() noexcept override { FCharTotal = 0; }

  std::int32_t CharTotal() const noexcept { return FCharTotal; }

 private:
  std::int32_t FCharTotal = 0;
};
