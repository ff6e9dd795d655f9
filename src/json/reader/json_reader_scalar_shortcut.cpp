// Shortcut: a scalar element or member value that the comma or the close of
// its container follows at once, read without a level of its own (contract
// in json_reader_run.h). Most values of a document are such scalars.
#include "json/json_unit_scan.h"
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_number_shape.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

namespace {

bool EndsValue(const char16_t* at, const char16_t* last, char16_t close) noexcept {
  return at < last && (*at == u',' || *at == close);
}

}  // namespace

std::optional<TJsonReaderRun::TStep> TJsonReaderRun::AddScalarInPlace(char16_t c, char16_t close) {
  // Paths read their own way, and a level that could not be pushed fails.
  if (InPathMode() || T.Depth >= TJsonTokenizer::kLevelCount - 1) return std::nullopt;
  IJsonValue value = ReadScalarBefore(c, close);
  if (!value) return std::nullopt;
  // As the pushed level would have handed it over (OnArrayAdd, OnMemberAdd),
  // with the separator or close up next.
  if (close == u']') {
    if (TJsonArray* array = FLevel->Current ? FLevel->Current->ArrayStore() : nullptr) {
      array->Append(std::move(value));
    }
    FLevel->ReturnState = S::ArraySep;
  } else {
    if (TJsonTableString* table = FLevel->Current ? FLevel->Current->MemberTable() : nullptr) {
      table->Store(FLevel->PendingName, std::move(value));
    }
    FLevel->PendingName.clear();
    FLevel->ReturnState = S::MemberSep;
  }
  Goto(FLevel->ReturnState);
  return TStep::Consumed;
}

IJsonValue TJsonReaderRun::ReadScalarBefore(char16_t c, char16_t close) {
  const char16_t* first = FText + T.CharOffset;
  const char16_t* last = FText + FSize;
  if (chars::IsDigit(c) || c == u'-') {
    TNumberShape shape;
    const char16_t* end = NumberEnd(first, last, shape);
    if (!EndsValue(end, last, close)) return nullptr;
    FBuffer.ResetOutput();
    T.HasFraction = shape.HasFraction;
    T.FractionDigits = shape.FractionDigits;
    T.CharOffset += static_cast<std::int32_t>(end - first);
    return NumberValue(std::u16string_view(first, static_cast<std::size_t>(end - first)), shape);
  }
  if (c == u'"' || c == u'\'') {
    const auto size = static_cast<std::size_t>(last - first - 1);
    const std::size_t count = json_scan::FindStringStop(first + 1, size, c);
    if (count == size || first[1 + count] != c || !EndsValue(first + 2 + count, last, close)) {
      return nullptr;
    }
    FBuffer.ResetOutput();
    T.QuoteChar = c;
    T.CharOffset += static_cast<std::int32_t>(count + 2);
    return TJsonValue::CreateText(std::u16string_view(first + 1, count));
  }
  const std::u16string_view keyword = chars::KeywordStartingWith(c);
  const auto length = static_cast<std::int32_t>(keyword.size());
  if (!chars::KeywordAt(first, static_cast<std::int32_t>(last - first), keyword) ||
      !EndsValue(first + length, last, close)) {
    return nullptr;
  }
  FBuffer.ResetOutput();
  T.MatchCount = length;
  T.CharOffset += length;
  return KeywordValue(c);
}
