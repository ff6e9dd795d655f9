// Shortcuts: a string value, escapes included, and a member name without
// escapes, each read in one step (contracts in json_reader_run.h).
#include <string>

#include "json/json_unit_scan.h"
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

// Straight into the text of the new value: long parameters then skip the
// token buffer and the copy out of it.
std::optional<TJsonReaderRun::TStep> TJsonReaderRun::ReadWholeString(char16_t c) {
  const char16_t quote = T.QuoteChar;
  if (c == quote || c == 0 || FBuffer.CharCount() != 0) return std::nullopt;
  const auto size = static_cast<std::size_t>(FSize);
  const auto stopFrom = [&](std::size_t from, std::size_t end) {
    return from + json_scan::FindStringStop(FText + from, end - from, quote);
  };

  // The closing quote: the first one that no backslash escapes. A U+0000
  // ends the text even behind a backslash, so the string does not end.
  std::size_t end = stopFrom(static_cast<std::size_t>(T.CharOffset), size);
  while (end + 1 < size && FText[end] == u'\\' && FText[end + 1] != 0) {
    end = stopFrom(end + 2, size);
  }
  if (end >= size || FText[end] != quote) return std::nullopt;

  std::u16string value;
  value.reserve(end - static_cast<std::size_t>(T.CharOffset));
  std::size_t pos = static_cast<std::size_t>(T.CharOffset);
  for (;;) {
    const std::size_t stop = stopFrom(pos, end);
    value.append(FText + pos, stop - pos);
    pos = stop;
    if (pos == end) break;
    // A backslash, and the unit it escapes lies before end.
    const char16_t escaped = FText[pos + 1];
    const std::size_t digits = escaped == u'u' ? 4 : escaped == u'x' ? 2 : 0;
    if (digits != 0) {
      std::int32_t unit = 0;
      std::size_t k = 0;
      for (; k < digits && pos + 2 + k < end; ++k) {
        const std::int32_t digit = chars::HexValue(FText[pos + 2 + k]);
        if (digit < 0) break;
        unit = unit << 4 | digit;
      }
      if (k < digits) {
        FBuffer.Append(value);
        T.CharOffset = static_cast<std::int32_t>(pos + 1);
        FLevel->ReturnState = S::StringBody;
        Goto(S::Escape);
        return TStep::Consumed;
      }
      // The fields the escape states leave.
      T.EscapeValue = static_cast<char16_t>(unit);
      T.MatchCount = static_cast<std::int32_t>(digits);
      value.push_back(static_cast<char16_t>(unit));
      pos += 2 + digits;
      continue;
    }
    value.push_back(UnescapedUnit(escaped));
    pos += 2;
  }
  T.CharOffset = static_cast<std::int32_t>(end + 1);
  SetValue(TJsonValue::CreateText(std::move(value)));
  return TStep::Consumed;
}

std::optional<TJsonReaderRun::TStep> TJsonReaderRun::ReadWholeName(char16_t c) {
  const char16_t quote = T.QuoteChar;
  if (c == quote || c == u'\\' || c == 0 || FBuffer.CharCount() != 0) return std::nullopt;
  const char16_t* name = FText + T.CharOffset;
  const std::size_t count =
      json_scan::FindStringStop(name, static_cast<std::size_t>(FSize - T.CharOffset), quote);
  std::int32_t offset = T.CharOffset + static_cast<std::int32_t>(count);
  if (offset == FSize || FText[offset] != quote) return std::nullopt;
  FLevel->PendingName.assign(name, count);
  ++offset;
  // The colon right behind the name, the usual case, is taken at once.
  S next = S::NameEnd;
  if (offset < FSize && FText[offset] == u':') {
    ++offset;
    next = S::MemberValue;
  }
  T.CharOffset = offset;
  SkipSpaceThen(next, offset);
  return TStep::Consumed;
}
