// One run of the reader's state machine over one text (internal to the
// reader; the states are spread over json_reader_tokens.cpp,
// json_reader_containers.cpp and json_path.cpp, and the shortcuts that
// stand in for some of them have a file each).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "json/reader/json_reader.h"
#include "json/reader/json_reader_chars.h"

namespace json::internal {

class TJsonReaderRun {
 public:
  // size counts the units of text that can be read; when boundedByLength is
  // false the unit at size (and any U+0000 before it) reads as U+0000.
  TJsonReaderRun(TJsonTokenizer& tokenizer, const char16_t* text, std::int32_t size,
                 bool boundedByLength, bool strict, const IJsonValue& base,
                 TJsonPathActions actions, const IJsonValue& putValue, TJsonKind newKind) noexcept;

  // Run<false> leaves every shortcut out and reads with the states alone:
  // what the shortcuts are held against.
  template <bool kShortcuts = true>
  IJsonValue Run();

 private:
  // How a state's action ends. Consumed: the state read a run of characters
  // itself and moved CharOffset past them.
  enum class TStep : std::uint8_t { Take, Redo, Stop, Consumed };
  using S = TJsonReaderState;

  template <bool kShortcuts>
  TStep Dispatch(char16_t c);

  // json_reader_tokens.cpp and json_reader_containers.cpp: document states.
  TStep OnSkipSpace(char16_t c);
  // The units from CharOffset up to the first for which stop() holds.
  template <typename Stop>
  std::int32_t RunLength(Stop stop) const noexcept;
  TStep OnStart(char16_t c);
  TStep OnFinish();
  bool KeywordMatches(char16_t c, std::u16string_view keyword) const noexcept;
  TStep KeywordAdvance(char16_t c, std::int32_t length, IJsonValue (*make)());
  TStep OnKeywordNull(char16_t c);
  TStep OnKeywordBool(char16_t c);
  // The value of the keyword that starts with first (n, t or f).
  static IJsonValue KeywordValue(char16_t first);
  TStep OnCommentStart(char16_t c);
  TStep OnBlockComment(char16_t c);
  TStep OnLineComment(char16_t c);
  // The comment's units up to the first end or U+0000 unit, taken at once.
  TStep TakeCommentRun(char16_t c, char16_t end);
  TStep OnBlockCommentStar(char16_t c);
  TStep OnTextRun(char16_t c, bool isName);
  // The unit that a backslash and escaped stand for, \u and \x aside.
  static char16_t UnescapedUnit(char16_t escaped) noexcept;
  TStep OnEscape(char16_t c);
  TStep OnHexEscape(char16_t c, std::int32_t digits);
  TStep OnWord(char16_t c);
  TStep OnNumberBody(char16_t c);
  TStep OnArrayItem(char16_t c);
  TStep OnArrayAdd();
  TStep OnMemberStart(char16_t c);
  TStep OnBareName(char16_t c);
  TStep OnNameEnd(char16_t c);
  TStep OnMemberAdd();
  // Behind an element: close ends the container, a comma asks for the next element at next.
  TStep OnSeparator(char16_t c, char16_t close, S next, TJsonReaderError error);

  // Shortcuts. Each reads in one step what the states read unit by unit, and
  // leaves what they leave behind it: the level's value and states,
  // CharOffset, the token fields, and an empty buffer (the states empty it
  // as a token ends). Dispatch tries a state's shortcut before the state;
  // one that declines (nullopt) has changed nothing, and the state reads
  // from the same unit. c is the unit at CharOffset.

  // json_reader_keyword_shortcut.cpp. In KeywordNull or KeywordBool at the
  // first unit: the keyword, with MatchCount at its length. Declines upper
  // case, a keyword that goes on as a bare word ("nullx") and one whose
  // deciding next unit is not in the text.
  std::optional<TStep> ReadWholeKeyword(char16_t c);
  // json_reader_string_shortcut.cpp. In StringBody at the first unit after
  // the opening quote: the string with its escapes, straight into the new
  // value; EscapeValue and MatchCount as the last \u or \x escape leaves
  // them. Declines a string whose closing quote is not in the text. At a \u
  // or \x escape with a bad digit it hands over: the buffer holds the
  // units before the escape, CharOffset is at its letter and the Escape
  // state goes on from there (to fail as it would have).
  std::optional<TStep> ReadWholeString(char16_t c);
  // json_reader_string_shortcut.cpp. In QuotedName at the first unit: a
  // name without escapes into PendingName, and a colon right behind it.
  // Declines an empty name, one with an escape, and one not closed in the text.
  std::optional<TStep> ReadWholeName(char16_t c);
  // json_reader_number_shortcut.cpp. In NumberBody at a document's number's
  // first unit: the number, with HasFraction and FractionDigits. Declines
  // paths' numbers and a number that runs to the end of the text (where
  // the end decides).
  std::optional<TStep> ReadWholeNumber();
  // json_reader_scalar_shortcut.cpp. In ArrayItem or MemberValue: a number,
  // a string without escapes or a keyword that the comma or close follows at
  // once goes into the container without a level of its own; the
  // separator state is up next. Declines anything else (white space or a
  // comment behind the value, escapes, bare words, a value cut off by the
  // end), paths, and the deepest level, where the push would fail.
  std::optional<TStep> AddScalarInPlace(char16_t c, char16_t close);
  // The scalar for AddScalarInPlace, with CharOffset moved behind it; nil,
  // with nothing changed, when there is none.
  IJsonValue ReadScalarBefore(char16_t c, char16_t close);

  // json_path.cpp: path steps.
  TStep OnPathStop(char16_t c);
  TStep ObjectStep(char16_t c, const std::u16string& name);
  TStep ArrayStep(char16_t c, const std::u16string& name);
  TStep MethodStep(char16_t c);
  TStep IndexOnBase(std::int64_t index);
  TStep OnStepContainer(bool wantArray);
  TStep OnStepCall();
  // Behind "[" or "(": close at once is an empty step, anything else opens inner.
  TStep OnBracketOpen(char16_t c, char16_t close, S inner);
  TStep OnIndexClose(char16_t c);
  TStep OnArgAdd(char16_t c);
  // Path steps inside an index or an argument list only read.
  bool Mutates(TJsonPathActions action) const noexcept {
    return FStepDepth <= 0 && HasAction(FActions, action);
  }

  TStep Push();
  TStep Fail(TJsonReaderError code) noexcept;
  // Current <- value; the level is complete once white space is skipped.
  void SetValue(IJsonValue value) noexcept;
  bool IsBareWordEnd(char16_t c) const noexcept;
  void StartNumber() noexcept;
  void Goto(S state) noexcept { FLevel->State = state; }
  // White space and comments, then next. When the unit at offset, the next
  // one to be read, is neither, SkipSpace would hand over to next at once:
  // the level goes there directly. (The end of the text stays with
  // SkipSpace, whose state the end checks look at.)
  void SkipSpaceThen(S next, std::int32_t offset) noexcept {
    FLevel->ReturnState = next;
    const bool direct =
        offset < FSize && !json::internal::chars::IsSpace(FText[offset]) && FText[offset] != u'/';
    FLevel->State = direct ? next : S::SkipSpace;
  }
  bool InPathMode() const noexcept { return static_cast<bool>(FBase); }

  TJsonTokenizer& T;
  TJsonWriterString& FBuffer;
  const char16_t* FText;
  std::int32_t FSize;
  bool FBoundedByLength;
  bool FStrict;
  const IJsonValue& FBase;
  TJsonPathActions FActions;
  const IJsonValue& FPutValue;
  TJsonKind FNewKind;

  TJsonReaderLevel* FLevel;  // the active level, T.Levels[T.Depth]
  IJsonValue FCompleted;     // the value of the level that was popped last
  std::int32_t FStepDepth = 0;
};

}  // namespace json::internal
