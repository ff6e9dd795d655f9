// Shortcut: a document's number read in one step (contract in json_reader_run.h).
#include "json/reader/json_reader_number_shape.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

std::optional<TJsonReaderRun::TStep> TJsonReaderRun::ReadWholeNumber() {
  if (FBuffer.CharCount() != 0 || InPathMode()) return std::nullopt;
  const char16_t* first = FText + T.CharOffset;
  TNumberShape shape;
  const char16_t* end = NumberEnd(first, FText + FSize, shape);
  if (end == FText + FSize) return std::nullopt;
  T.HasFraction = shape.HasFraction;
  T.FractionDigits = shape.FractionDigits;
  T.CharOffset += static_cast<std::int32_t>(end - first);
  SetValue(NumberValue(std::u16string_view(first, static_cast<std::size_t>(end - first)), shape));
  return TStep::Consumed;
}
