// Shortcut: a keyword read in one step (contract in json_reader_run.h).
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

IJsonValue TJsonReaderRun::KeywordValue(char16_t first) {
  return first == u'n' ? TJsonValue::Create(skNull) : TJsonValue::CreateBool(first == u't');
}

std::optional<TJsonReaderRun::TStep> TJsonReaderRun::ReadWholeKeyword(char16_t c) {
  if (T.MatchCount != 0) return std::nullopt;
  const std::u16string_view keyword = chars::KeywordStartingWith(c);
  if (!chars::KeywordAt(FText + T.CharOffset, FSize - T.CharOffset, keyword)) return std::nullopt;
  const auto length = static_cast<std::int32_t>(keyword.size());
  T.CharOffset += length;
  T.MatchCount = length;
  SetValue(KeywordValue(c));
  return TStep::Consumed;
}
