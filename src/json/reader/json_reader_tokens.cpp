// The reader's token states: white space and comments, the start of a value,
// keywords, strings and member names with their escapes, bare words and numbers.
#include <algorithm>
#include <optional>
#include <string>

#include "json/json_unit_scan.h"
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_number.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

using json::internal::ReadTokenDouble;
using json::internal::ReadTokenInteger;
using json::internal::ReadTokenMoney;

using namespace json::internal::chars;

template <typename Stop>
std::int32_t TJsonReaderRun::RunLength(Stop stop) const noexcept {
  std::int32_t end = T.CharOffset;
  while (end < FSize && !stop(FText[end])) ++end;
  return end - T.CharOffset;
}

// --- white space, comments, start and finish ------------------------------

TJsonReaderRun::TStep TJsonReaderRun::OnSkipSpace(char16_t c) {
  if (IsSpace(c)) {
    T.CharOffset += RunLength([](char16_t u) { return !IsSpace(u); });
    return TStep::Consumed;
  }
  if (c == u'/') {
    FBuffer.ResetOutput();
    FBuffer.AppendChar(c);
    Goto(S::CommentStart);
    return TStep::Take;
  }
  Goto(FLevel->ReturnState);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnCommentStart(char16_t c) {
  if (c == u'*') {
    Goto(S::BlockComment);
  } else if (c == u'/') {
    Goto(S::LineComment);
  } else {
    return Fail(jeBadComment);
  }
  FBuffer.AppendChar(c);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnBlockComment(char16_t c) {
  if (c == u'*') {
    FBuffer.AppendChar(c);
    Goto(S::BlockCommentStar);
    return TStep::Take;
  }
  return TakeCommentRun(c, u'*');
}

TJsonReaderRun::TStep TJsonReaderRun::OnBlockCommentStar(char16_t c) {
  FBuffer.AppendChar(c);
  // A run of stars stays here, so "**/" closes the comment as in C.
  if (c == u'/') {
    Goto(S::SkipSpace);
  } else if (c != u'*') {
    Goto(S::BlockComment);
  }
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnLineComment(char16_t c) {
  if (c == u'\n') {
    Goto(S::SkipSpace);
    return TStep::Take;
  }
  return TakeCommentRun(c, u'\n');
}

TJsonReaderRun::TStep TJsonReaderRun::TakeCommentRun(char16_t c, char16_t end) {
  if (c == 0) {
    FBuffer.AppendChar(c);
    return TStep::Take;
  }
  const std::int32_t count = RunLength([end](char16_t u) { return u == end || u == 0; });
  FBuffer.AppendChars(FText + T.CharOffset, count);
  T.CharOffset += count;
  return TStep::Consumed;
}

void TJsonReaderRun::StartNumber() noexcept {
  FBuffer.ResetOutput();
  T.HasFraction = 0;
  T.FractionDigits = -1;
  Goto(S::NumberBody);
}

TJsonReaderRun::TStep TJsonReaderRun::OnStart(char16_t c) {
  switch (c) {
    case u'"':
    case u'\'':
      FBuffer.ResetOutput();
      T.QuoteChar = c;
      Goto(S::StringBody);
      return TStep::Take;
    case u'{':
      FLevel->Current = TJsonValue::Create(skObject);
      SkipSpaceThen(S::MemberStart, T.CharOffset + 1);
      return TStep::Take;
    case u'[':
      FLevel->Current = TJsonValue::Create(skArray);
      SkipSpaceThen(S::ArrayItem, T.CharOffset + 1);
      return TStep::Take;
    case u'n':
    case u'N':
      FBuffer.ResetOutput();
      T.MatchCount = 0;
      Goto(S::KeywordNull);
      return TStep::Redo;
    case u't':
    case u'T':
    case u'f':
    case u'F':
      FBuffer.ResetOutput();
      T.MatchCount = 0;
      Goto(S::KeywordBool);
      return TStep::Redo;
    case u'-':
      StartNumber();
      return TStep::Redo;
    case u'(':
      // A path that opens with an argument list calls a method base directly.
      if (T.Depth == 0 && KindIs(FBase, skMethod)) {
        FLevel->Current = FBase;
        Goto(S::StepCall);
      }
      return TStep::Take;
    default:
      break;
  }
  if (IsDigit(c)) {
    // On an object, a path may name a member such as "123".
    if (T.Depth == 0 && KindIs(FBase, skObject)) {
      FLevel->Current = FBase;
      Goto(S::Word);
    } else {
      StartNumber();
    }
    return TStep::Redo;
  }
  FBuffer.ResetOutput();
  Goto(S::Word);
  return TStep::Redo;
}

// --- keywords ----------------------------------------------------------------
//
// The buffer holds exactly the keyword characters matched so far; c is
// appended only when it matches, which leaves the same buffer as appending
// it and taking it off again on a mismatch.

bool TJsonReaderRun::KeywordMatches(char16_t c, std::u16string_view keyword) const noexcept {
  const std::int32_t matched = T.MatchCount;
  const std::int32_t length = static_cast<std::int32_t>(keyword.size());
  const std::int32_t compared = matched + 1 < length ? matched + 1 : length;
  const char16_t* buffer = FBuffer.Chars();
  for (std::int32_t i = 0; i < compared; ++i) {
    const char16_t unit = i < matched ? buffer[i] : c;
    if (unit != keyword[static_cast<std::size_t>(i)]) return false;
  }
  return true;
}

TJsonReaderRun::TStep TJsonReaderRun::KeywordAdvance(char16_t c, std::int32_t length,
                                                     IJsonValue (*make)()) {
  if (T.MatchCount == length) {
    if (!IsWordContinuing(c)) {
      SetValue(make());
      return TStep::Redo;
    }
    Goto(S::Word);
  }
  FBuffer.AppendChar(c);
  ++T.MatchCount;
  return TStep::Take;
}

namespace {

// Whether the whole keyword, and the unit behind it that decides that it is
// one, lie in the text from here on. Such keywords are taken in one step; the
// unit-by-unit matching serves the rest (keywords that go on as bare words,
// and those cut off by the end of the text).
bool KeywordAt(const char16_t* text, std::int32_t available, std::u16string_view keyword) noexcept {
  const auto length = static_cast<std::int32_t>(keyword.size());
  return available > length && std::u16string_view(text, keyword.size()) == keyword &&
         !IsWordContinuing(text[length]);
}

}  // namespace

TJsonReaderRun::TStep TJsonReaderRun::OnKeywordNull(char16_t c) {
  if (T.MatchCount == 0 && KeywordAt(FText + T.CharOffset, FSize - T.CharOffset, u"null")) {
    T.CharOffset += 4;
    SetValue(TJsonValue::Create(skNull));
    return TStep::Consumed;
  }
  if (KeywordMatches(c, u"null")) {
    return KeywordAdvance(c, 4, [] { return TJsonValue::Create(skNull); });
  }
  Goto(S::Word);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnKeywordBool(char16_t c) {
  if (T.MatchCount == 0) {
    const char16_t* at = FText + T.CharOffset;
    const std::int32_t available = FSize - T.CharOffset;
    for (const bool value : {true, false}) {
      const std::u16string_view keyword = value ? u"true" : u"false";
      if (KeywordAt(at, available, keyword)) {
        T.CharOffset += static_cast<std::int32_t>(keyword.size());
        SetValue(TJsonValue::CreateBool(value));
        return TStep::Consumed;
      }
    }
  }
  if (KeywordMatches(c, u"true")) {
    return KeywordAdvance(c, 4, [] { return TJsonValue::CreateBool(true); });
  }
  if (KeywordMatches(c, u"false")) {
    return KeywordAdvance(c, 5, [] { return TJsonValue::CreateBool(false); });
  }
  Goto(S::Word);
  return TStep::Redo;
}

// --- strings, names, escapes and bare words ---------------------------------

// A string value read in one go, from just behind its opening quote to its
// closing quote, straight into the text of the new value: long parameters
// then skip the token buffer and the copy out of it. Nothing is read when the
// string does not end in the text; an escape the fast reader does not take
// (a bad hex digit) hands the state machine what was read so far, and it goes
// on from that escape exactly as it would have from the start.
std::optional<TJsonReaderRun::TStep> TJsonReaderRun::ReadWholeString() {
  const char16_t quote = T.QuoteChar;
  const auto size = static_cast<std::size_t>(FSize);
  const auto stopFrom = [&](std::size_t from, std::size_t end) {
    return from + json_scan::FindStringStop(FText + from, end - from, quote);
  };

  // The closing quote: the first one that no backslash escapes.
  std::size_t end = stopFrom(static_cast<std::size_t>(T.CharOffset), size);
  while (end < size && FText[end] == u'\\') end = stopFrom(std::min(end + 2, size), size);
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
        const std::int32_t digit = HexValue(FText[pos + 2 + k]);
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

TJsonReaderRun::TStep TJsonReaderRun::OnTextRun(char16_t c, bool isName) {
  if (!isName && c != T.QuoteChar && c != 0 && FBuffer.CharCount() == 0) {
    if (const auto step = ReadWholeString()) return *step;
  }
  if (c == T.QuoteChar) {
    if (isName) {
      FLevel->PendingName = FBuffer.TextBeforeZero();
      FLevel->ReturnState = S::NameEnd;
      Goto(S::SkipSpace);
    } else {
      SetValue(TJsonValue::CreateText(FBuffer.View()));
    }
    return TStep::Take;
  }
  if (c == u'\\') {
    FLevel->ReturnState = isName ? S::QuotedName : S::StringBody;
    Goto(S::Escape);
    return TStep::Take;
  }
  if (c == 0) {
    FBuffer.AppendChar(c);
    return TStep::Take;
  }
  // The hot path for long texts: everything up to the next quote, backslash
  // or terminator in one go.
  const char16_t quote = T.QuoteChar;
  const auto count = static_cast<std::int32_t>(json_scan::FindStringStop(
      FText + T.CharOffset, static_cast<std::size_t>(FSize - T.CharOffset), quote));
  const char16_t* run = FText + T.CharOffset;
  T.CharOffset += count;
  const bool closes = T.CharOffset < FSize && FText[T.CharOffset] == quote;
  if (isName && closes && FBuffer.CharCount() == 0) {
    // A name without escapes goes straight from the text to the level, and
    // the colon right behind it (the usual case) is taken at once.
    ++T.CharOffset;
    FLevel->PendingName.assign(run, static_cast<std::size_t>(count));
    S next = S::NameEnd;
    if (T.CharOffset < FSize && FText[T.CharOffset] == u':') {
      ++T.CharOffset;
      next = S::MemberValue;
    }
    SkipSpaceThen(next, T.CharOffset);
    return TStep::Consumed;
  }
  if (!isName && closes && FBuffer.CharCount() == 0) {
    // A string without escapes goes straight from the text into its value.
    ++T.CharOffset;
    SetValue(TJsonValue::CreateText(std::u16string_view(run, static_cast<std::size_t>(count))));
    return TStep::Consumed;
  }
  FBuffer.AppendChars(run, count);
  return TStep::Consumed;
}

char16_t TJsonReaderRun::UnescapedUnit(char16_t escaped) noexcept {
  switch (escaped) {
    case u'b':
      return u'\b';
    case u'f':
      return u'\f';
    case u'n':
      return u'\n';
    case u'r':
      return u'\r';
    case u't':
      return u'\t';
    default:
      return escaped;
  }
}

TJsonReaderRun::TStep TJsonReaderRun::OnEscape(char16_t c) {
  if (c == u'u' || c == u'x') {
    T.EscapeValue = 0;
    T.MatchCount = 0;
    Goto(c == u'u' ? S::UnicodeEscape : S::ByteEscape);
    return TStep::Take;
  }
  FBuffer.AppendChar(UnescapedUnit(c));
  Goto(FLevel->ReturnState);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnHexEscape(char16_t c, std::int32_t digits) {
  const std::int32_t value = HexValue(c);
  if (value < 0) return Fail(jeBadCharacter);
  T.EscapeValue =
      static_cast<char16_t>(T.EscapeValue + (value << (4 * (digits - 1 - T.MatchCount))));
  if (++T.MatchCount == digits) {
    FBuffer.AppendChar(T.EscapeValue);
    Goto(FLevel->ReturnState);
  }
  return TStep::Take;
}

bool TJsonReaderRun::IsBareWordEnd(char16_t c) const noexcept {
  if (c == 0) return true;
  if (T.Depth == 0) return false;
  switch (T.Levels[static_cast<std::size_t>(T.Depth - 1)].State) {
    case S::ArrayAdd:
      return c == u',' || c == u']';
    case S::MemberAdd:
      return c == u',' || c == u'}';
    default:
      return false;
  }
}

TJsonReaderRun::TStep TJsonReaderRun::OnWord(char16_t c) {
  if (InPathMode()) {
    if (c < 0x80 && IsPathStop(c)) return OnPathStop(c);
    FBuffer.AppendChar(c);
    return TStep::Take;
  }
  if (IsBareWordEnd(c)) {
    if (FStrict) return Fail(jeBadCharacter);
    FBuffer.TrimTrailingBlanks();
    SetValue(TJsonValue::CreateText(FBuffer.TextBeforeZero()));
    return TStep::Redo;
  }
  if (c == u'\\') {
    FLevel->ReturnState = S::Word;
    Goto(S::Escape);
    return TStep::Take;
  }
  FBuffer.AppendChar(c);
  return TStep::Take;
}

// --- numbers -----------------------------------------------------------------

namespace {

// What the unit-by-unit reading of a number gathers besides its characters.
struct TNumberShape {
  std::int32_t HasFraction = 0;
  std::int32_t FractionDigits = -1;

  void Take(char16_t c) noexcept {
    if (c == u'.') {
      HasFraction = 1;
      FractionDigits = 0;
    } else if (c == u'E' || c == u'e') {
      HasFraction = 1;
      FractionDigits = -1;
    } else if (IsDigit(c) && HasFraction == 1 && FractionDigits >= 0) {
      if (++FractionDigits > 4) FractionDigits = -1;
    }
  }
};

// The value of a number's characters: an integer without point or exponent, a
// currency amount with up to four fraction digits when it fits, else a double.
IJsonValue NumberValue(std::u16string_view text, const TNumberShape& shape) {
  if (shape.HasFraction == 0) return TJsonValue::CreateInt(ReadTokenInteger(text));
  if (shape.FractionDigits >= 0) {
    if (const auto units = ReadTokenMoney(text, shape.FractionDigits)) {
      return TJsonValue::CreateMoney(TJsonCurrency::FromUnits(*units));
    }
  }
  return TJsonValue::CreateFloat(ReadTokenDouble(text));
}

// The number's units from first on and their shape: what taking them one by
// one would give, with runs of digits taken at once (they are most of a
// number, and only those behind a point change the shape).
const char16_t* NumberEnd(const char16_t* first, const char16_t* last,
                          TNumberShape& shape) noexcept {
  const char16_t* end = first;
  for (;;) {
    const char16_t* digits = end;
    while (end < last && IsDigit(*end)) ++end;
    if (shape.FractionDigits >= 0) {
      shape.FractionDigits += static_cast<std::int32_t>(end - digits);
      if (shape.FractionDigits > 4) shape.FractionDigits = -1;
    }
    if (end == last || !IsNumberChar(*end)) return end;
    shape.Take(*end++);
  }
}

}  // namespace

TJsonReaderRun::TStep TJsonReaderRun::OnNumberBody(char16_t c) {
  if (FBuffer.CharCount() == 0 && !InPathMode()) {
    // A document's number whose end lies in the text is read in one step,
    // straight from the text; one cut off by the end of the text, and the
    // indexes of paths, go unit by unit below.
    const char16_t* first = FText + T.CharOffset;
    TNumberShape shape;
    const char16_t* end = NumberEnd(first, FText + FSize, shape);
    if (end < FText + FSize) {
      T.HasFraction = shape.HasFraction;
      T.FractionDigits = shape.FractionDigits;
      T.CharOffset += static_cast<std::int32_t>(end - first);
      SetValue(
          NumberValue(std::u16string_view(first, static_cast<std::size_t>(end - first)), shape));
      return TStep::Consumed;
    }
  }
  if (IsNumberChar(c)) {
    FBuffer.AppendChar(c);
    TNumberShape shape{T.HasFraction, T.FractionDigits};
    shape.Take(c);
    T.HasFraction = shape.HasFraction;
    T.FractionDigits = shape.FractionDigits;
    return TStep::Take;
  }
  const std::u16string_view text = FBuffer.View();
  if (T.HasFraction == 0 && KindIs(FBase, skArray)) return IndexOnBase(ReadTokenInteger(text));
  SetValue(NumberValue(text, {T.HasFraction, T.FractionDigits}));
  return TStep::Redo;
}

// --- scalars inside containers ---------------------------------------------
//
// Most values of a document are scalars followed at once by the comma or the
// close of their container. Read here, they skip the level that the state
// machine would push and pop for them; everything else (white space or a
// comment behind the value, escapes, bare words, a value cut off by the end of
// the text) goes through that level. The reader's state afterwards is what
// the level would have left: the same token fields, the same buffer.

namespace {

bool EndsValue(const char16_t* at, const char16_t* last, char16_t close) noexcept {
  return at < last && (*at == u',' || *at == close);
}

}  // namespace

IJsonValue TJsonReaderRun::ReadScalarBefore(char16_t c, char16_t close) {
  const char16_t* first = FText + T.CharOffset;
  const char16_t* last = FText + FSize;
  if (IsDigit(c) || c == u'-') {
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
  const auto available = static_cast<std::int32_t>(last - first);
  for (const std::u16string_view keyword : {u"true", u"false", u"null"}) {
    if (c != keyword[0]) continue;
    const auto length = static_cast<std::int32_t>(keyword.size());
    if (!KeywordAt(first, available, keyword) || !EndsValue(first + length, last, close)) {
      return nullptr;
    }
    FBuffer.ResetOutput();
    T.MatchCount = 0;
    T.CharOffset += length;
    return c == u'n' ? TJsonValue::Create(skNull) : TJsonValue::CreateBool(c == u't');
  }
  return nullptr;
}
