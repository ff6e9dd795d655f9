// The reader's container states: arrays, objects and the end of a level.
#include "json/reader/json_reader_chars.h"
#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

using namespace json::internal::chars;

TJsonReaderRun::TStep TJsonReaderRun::OnFinish() {
  if (T.Depth == 0) return TStep::Stop;
  FCompleted = std::move(FLevel->Current);
  T.ResetLevel(T.Depth);
  --T.Depth;
  FLevel = &T.Levels[static_cast<std::size_t>(T.Depth)];
  return TStep::Redo;
}

// --- arrays and objects -----------------------------------------------------

TJsonReaderRun::TStep TJsonReaderRun::OnArrayItem(char16_t c) {
  if (c == u']') {
    FLevel->ReturnState = S::Finish;
    Goto(S::SkipSpace);
    return TStep::Take;
  }
  Goto(S::ArrayAdd);
  return Push();
}

TJsonReaderRun::TStep TJsonReaderRun::OnArrayAdd() {
  if (TJsonArray* array = FLevel->Current ? FLevel->Current->ArrayStore() : nullptr) {
    array->Append(std::move(FCompleted));
  }
  FCompleted = nullptr;
  SkipSpaceThen(S::ArraySep, T.CharOffset);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnSeparator(char16_t c, char16_t close, S next,
                                                  TJsonReaderError error) {
  if (c != close && c != u',') return Fail(error);
  SkipSpaceThen(c == close ? S::Finish : next, T.CharOffset + 1);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnMemberStart(char16_t c) {
  if (c == u'}') {
    FLevel->ReturnState = S::Finish;
    Goto(S::SkipSpace);
    return TStep::Take;
  }
  if (c == u'"' || c == u'\'') {
    T.QuoteChar = c;
    FBuffer.ResetOutput();
    Goto(S::QuotedName);
    return TStep::Take;
  }
  if (FStrict || (c < 0x80 && IsPathStop(c))) return Fail(jeMemberName);
  FBuffer.ResetOutput();
  Goto(S::BareName);
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::OnBareName(char16_t c) {
  if (c == 0 || c == u':') {
    FLevel->PendingName = FBuffer.TextBeforeZero();
    FLevel->ReturnState = S::NameEnd;
    Goto(S::SkipSpace);
    return TStep::Redo;
  }
  if (c == u'\\') {
    FLevel->ReturnState = S::BareName;
    Goto(S::Escape);
    return TStep::Take;
  }
  FBuffer.AppendChar(c);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnNameEnd(char16_t c) {
  if (c != u':') return Fail(jeNameColon);
  FLevel->ReturnState = S::MemberValue;
  Goto(S::SkipSpace);
  return TStep::Take;
}

TJsonReaderRun::TStep TJsonReaderRun::OnMemberAdd() {
  if (TJsonTableString* table = FLevel->Current ? FLevel->Current->MemberTable() : nullptr) {
    table->Store(FLevel->PendingName, std::move(FCompleted));
  }
  FCompleted = nullptr;
  FLevel->PendingName.clear();
  SkipSpaceThen(S::MemberSep, T.CharOffset);
  return TStep::Redo;
}
