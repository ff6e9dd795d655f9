// The reader's token states: white space and comments, the start of a value,
// keywords, strings and member names with their escapes, bare words and
// numbers, read unit by unit (or a run of ordinary units at a time). The
// shortcuts that read whole tokens are in json_reader_*_shortcut.cpp.
#include <string>

#include "json/json_unit_scan.h"
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_number_shape.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

using json::internal::NumberValue;
using json::internal::ReadTokenInteger;
using json::internal::TNumberShape;

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
// it and taking it off again on a mismatch. A finished keyword leaves the
// buffer empty and MatchCount at its length.

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
      FBuffer.ResetOutput();
      return TStep::Redo;
    }
    Goto(S::Word);
  }
  FBuffer.AppendChar(c);
  ++T.MatchCount;
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnKeywordNull(char16_t c) {
  if (KeywordMatches(c, u"null")) {
    return KeywordAdvance(c, 4, [] { return TJsonValue::Create(skNull); });
  }
  Goto(S::Word);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnKeywordBool(char16_t c) {
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

TJsonReaderRun::TStep TJsonReaderRun::OnTextRun(char16_t c, bool isName) {
  if (c == T.QuoteChar) {
    if (isName) {
      FLevel->PendingName = FBuffer.TextBeforeZero();
      FLevel->ReturnState = S::NameEnd;
      Goto(S::SkipSpace);
    } else {
      SetValue(TJsonValue::CreateText(FBuffer.View()));
    }
    // What a shortcut that took the text straight from the input leaves.
    FBuffer.ResetOutput();
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
  FBuffer.AppendChars(FText + T.CharOffset, count);
  T.CharOffset += count;
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

TJsonReaderRun::TStep TJsonReaderRun::OnNumberBody(char16_t c) {
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
  FBuffer.ResetOutput();
  return TStep::Redo;
}
