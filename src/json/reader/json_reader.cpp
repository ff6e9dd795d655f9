// The reader's frame: the tokenizer, the main loop that feeds characters to
// the states of the active level, and the entry points.
#include "json/reader/json_reader.h"

#include <limits>

#include "json/reader/json_reader_run.h"

using json::internal::TJsonReaderRun;

void TJsonTokenizer::ResetLevel(std::int32_t n) noexcept {
  TJsonReaderLevel& level = Levels[static_cast<std::size_t>(n)];
  level.State = TJsonReaderState::SkipSpace;
  level.ReturnState = TJsonReaderState::Start;
  level.Aux = nullptr;
  level.PendingName.clear();
  level.Current = nullptr;
  level.Container = nullptr;
  level.OuterContainer = nullptr;
}

void TJsonTokenizer::ResetTokenizer() noexcept {
  for (std::int32_t n = Depth; n >= 0; --n) ResetLevel(n);
  Depth = 0;
  ErrorCode = jeNone;
}

TJsonReaderRun::TJsonReaderRun(TJsonTokenizer& tokenizer, const char16_t* text, std::int32_t size,
                               bool boundedByLength, bool strict, const IJsonValue& base,
                               TJsonPathActions actions, const IJsonValue& putValue,
                               TJsonKind newKind) noexcept
    : T(tokenizer),
      FBuffer(tokenizer.TokenBuffer),
      FText(text),
      FSize(size),
      FBoundedByLength(boundedByLength),
      FStrict(strict),
      FBase(base),
      FActions(actions),
      FPutValue(putValue),
      FNewKind(newKind),
      FLevel(&tokenizer.Levels[static_cast<std::size_t>(tokenizer.Depth)]) {}

template <bool kShortcuts>
TJsonReaderRun::TStep TJsonReaderRun::Dispatch(char16_t c) {
  switch (FLevel->State) {
    case S::SkipSpace:
      return OnSkipSpace(c);
    case S::Start:
      return OnStart(c);
    case S::Finish:
      return OnFinish();
    case S::KeywordNull:
      if constexpr (kShortcuts) {
        if (const auto step = ReadWholeKeyword(c)) return *step;
      }
      return OnKeywordNull(c);
    case S::CommentStart:
      return OnCommentStart(c);
    case S::BlockComment:
      return OnBlockComment(c);
    case S::LineComment:
      return OnLineComment(c);
    case S::BlockCommentStar:
      return OnBlockCommentStar(c);
    case S::StringBody:
      if constexpr (kShortcuts) {
        if (const auto step = ReadWholeString(c)) return *step;
      }
      return OnTextRun(c, false);
    case S::Escape:
      return OnEscape(c);
    case S::Word:
      return OnWord(c);
    case S::UnicodeEscape:
      return OnHexEscape(c, 4);
    case S::ByteEscape:
      return OnHexEscape(c, 2);
    case S::KeywordBool:
      if constexpr (kShortcuts) {
        if (const auto step = ReadWholeKeyword(c)) return *step;
      }
      return OnKeywordBool(c);
    case S::NumberBody:
      if constexpr (kShortcuts) {
        if (const auto step = ReadWholeNumber()) return *step;
      }
      return OnNumberBody(c);
    case S::ArrayItem:
      if constexpr (kShortcuts) {
        if (const auto step = AddScalarInPlace(c, u']')) return *step;
      }
      return OnArrayItem(c);
    case S::ArrayAdd:
      return OnArrayAdd();
    case S::ArraySep:
      return OnSeparator(c, u']', S::ArrayItem, jeArraySeparator);
    case S::MemberStart:
      return OnMemberStart(c);
    case S::QuotedName:
      if constexpr (kShortcuts) {
        if (const auto step = ReadWholeName(c)) return *step;
      }
      return OnTextRun(c, true);
    case S::BareName:
      return OnBareName(c);
    case S::NameEnd:
      return OnNameEnd(c);
    case S::MemberValue:
      if constexpr (kShortcuts) {
        if (const auto step = AddScalarInPlace(c, u'}')) return *step;
      }
      Goto(S::MemberAdd);
      return Push();
    case S::MemberAdd:
      return OnMemberAdd();
    case S::MemberSep:
      return OnSeparator(c, u'}', S::MemberStart, jeMemberSeparator);
    case S::StepObject:
      return OnStepContainer(false);
    case S::StepArray:
      return OnStepContainer(true);
    case S::StepCall:
      return OnStepCall();
    case S::IndexOpen:
      return OnBracketOpen(c, u']', S::IndexClose);
    case S::IndexClose:
      return OnIndexClose(c);
    case S::ArgOpen:
      return OnBracketOpen(c, u')', S::ArgAdd);
    case S::ArgAdd:
      return OnArgAdd(c);
  }
  return Fail(jeUnterminated);
}

template <bool kShortcuts>
IJsonValue TJsonReaderRun::Run() {
  T.CharOffset = 0;
  T.ErrorCode = jeNone;
  for (;;) {
    char16_t c = 0;
    if (T.CharOffset < FSize) {
      c = FText[T.CharOffset];
    } else if (FBoundedByLength) {
      const bool complete =
          T.Depth == 0 && FLevel->State == S::SkipSpace && FLevel->ReturnState == S::Finish;
      T.ErrorCode = complete ? jeNone : jeLengthReached;
      break;
    }
    TStep step;
    do {
      step = Dispatch<kShortcuts>(c);
    } while (step == TStep::Redo);
    if (step == TStep::Stop) break;
    if (step == TStep::Consumed) continue;
    ++T.CharOffset;
    if (c == 0) {
      // Only a complete top-level value may end the text; a finished value
      // inside a container that is still open (say in a comment behind it)
      // leaves the container unterminated.
      const bool finished = FLevel->State == S::Finish || FLevel->ReturnState == S::Finish;
      if (T.Depth != 0 || !finished) T.ErrorCode = jeUnterminated;
      break;
    }
  }
  if (T.ErrorCode != jeNone) return nullptr;

  IJsonValue result = FLevel->Current;
  if (HasAction(FActions, paCall) && KindIs(result, skMethod)) {
    if (const TJsonMethod method = result->MethodPointer()) {
      return method(FLevel->Container, FPutValue);
    }
  }
  return result;
}

TJsonReaderRun::TStep TJsonReaderRun::Push() {
  if (T.Depth >= TJsonTokenizer::kLevelCount - 1) return Fail(jeTooDeep);
  ++T.Depth;
  T.ResetLevel(T.Depth);
  FLevel = &T.Levels[static_cast<std::size_t>(T.Depth)];
  return TStep::Redo;
}

TJsonReaderRun::TStep TJsonReaderRun::Fail(TJsonReaderError code) noexcept {
  T.ErrorCode = code;
  return TStep::Stop;
}

void TJsonReaderRun::SetValue(IJsonValue value) noexcept {
  FLevel->Current = std::move(value);
  FLevel->ReturnState = S::Finish;
  FLevel->State = S::SkipSpace;
}

template IJsonValue TJsonReaderRun::Run<true>();
template IJsonValue TJsonReaderRun::Run<false>();

// --- entry points ------------------------------------------------------------

IJsonValue ParseJsonCore(TJsonTokenizer& tokenizer, const char16_t* text, std::int32_t length,
                         bool strict, const IJsonValue& base, TJsonPathActions actions,
                         const IJsonValue& putValue, TJsonKind newKind) {
  const bool bounded = length >= 0;
  if (!text) {
    text = u"";
    if (bounded) length = 0;
  }
  const std::int32_t size = bounded ? length : ZeroTerminatedLength(text);
  TJsonReaderRun run(tokenizer, text, size, bounded, strict, base, actions, putValue, newKind);
  return run.Run();
}

IJsonValue ParseJsonCore(TJsonTokenizer& tokenizer, std::u16string_view text, bool strict,
                         const IJsonValue& base, TJsonPathActions actions,
                         const IJsonValue& putValue, TJsonKind newKind) {
  // Offsets are 32-bit; a text beyond that is refused rather than cut short.
  if (text.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    tokenizer.CharOffset = 0;
    tokenizer.ErrorCode = jeLengthReached;
    return nullptr;
  }
  TJsonReaderRun run(tokenizer, text.data() ? text.data() : u"",
                     static_cast<std::int32_t>(text.size()), false, strict, base, actions, putValue,
                     newKind);
  return run.Run();
}
