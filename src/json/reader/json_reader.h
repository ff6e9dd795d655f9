// The JSON reader: one character-at-a-time state machine with an explicit
// stack of 32 levels (no recursion) that reads documents and, given a base
// value, paths on that value.
//
// Document mode (no base) is lenient unless strict is asked for: comments of
// both kinds, single-quoted strings and names, unquoted member names, bare
// words as string values, trailing commas, empty elements and \xHH escapes.
// Only the lower-case words null, true and false are keywords.
//
// Path mode (a base is given) reads text such as "a.b", "list[2]" or
// "f(1,2)" and walks, creates, stores, removes or calls along the way, as the
// path actions say. Changes made before an error stay made.
//
// Choices where the grammar leaves room:
// - A run of stars closes a block comment when a solidus follows it:
//   "/* a **/" is one complete comment.
// - Integers outside the signed 64-bit range saturate to the nearest bound
//   (INT64_MAX or INT64_MIN) and stay skInt values, so that ToInt of them
//   never fails.
// - A number with up to four fraction digits whose amount does not fit a
//   currency value is read as a double instead.
// - Ill-formed doubles ("1e", "1.2e+", "1e--5") take the value of their
//   longest well-formed prefix ("1", "1.2", "1"); magnitudes beyond the
//   double range give an infinity, tiny ones a zero of the same sign.
// - An unquoted member name is refused in strict mode whatever its first
//   character, U+0100 and above included.
// - "(" as the first character of a path whose base is a method value calls
//   that method with the argument list that follows (as "f(...)" would); the
//   container handed to the method is none, since the base has no holder.
// - Index and argument sub-expressions only read: they never create, store
//   or remove, whatever the actions say.
// - Indexes must lie in 0..INT32_MAX; others fail with jeBadIndex.
// - Creating a missing container on "[i][" puts it at index i (as "[i]."
//   does), so the path that created it finds it again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/value/jsonvalue.h"
#include "json/writer/json_writer.h"

// The numbers are what State and ReturnState hold.
enum class TJsonReaderState : std::uint8_t {
  SkipSpace = 0,
  Start = 1,
  Finish = 2,
  KeywordNull = 3,
  CommentStart = 4,
  BlockComment = 5,
  LineComment = 6,
  BlockCommentStar = 7,
  StringBody = 8,
  Escape = 9,
  Word = 10,
  UnicodeEscape = 11,
  ByteEscape = 12,
  KeywordBool = 13,
  NumberBody = 14,
  ArrayItem = 15,
  ArrayAdd = 16,
  ArraySep = 17,
  MemberStart = 18,
  QuotedName = 19,
  BareName = 20,
  NameEnd = 21,
  MemberValue = 22,
  MemberAdd = 23,
  MemberSep = 24,
  StepObject = 25,
  StepArray = 26,
  StepCall = 27,
  IndexOpen = 28,
  IndexClose = 29,
  ArgOpen = 30,
  ArgAdd = 31,
};

// What TJsonTokenizer::ErrorCode holds after a failed run.
enum TJsonReaderError : std::uint8_t {
  jeNone = 0,
  jeLengthReached = 1,     // an explicit length ended the text inside a value
  jeTooDeep = 2,           // more than 31 enclosing containers, indexes or argument lists
  jeUnterminated = 3,      // the text ended inside a string, comment, value or path step
  jeArraySeparator = 8,    // neither "," nor "]" after an element
  jeMemberName = 9,        // a member name cannot start with this character
  jeNameColon = 10,        // no ":" after a member name
  jeMemberSeparator = 11,  // neither "," nor "}" after a member value
  jeBadCharacter = 12,     // a non-hex digit in \u or \x; a bare word in strict mode
  jeBadComment = 13,       // "/" not followed by "*" or "/"
  jeNotObject = 14,        // path: "." after a missing value or one that is no object
  jeNotArray = 15,         // path: "[" after a missing value or no array; unclosed index
  jeNotMethod = 16,        // path: "(" after no method; bad argument list; store into a method
  jeBadIndex = 17,         // path: an index that is not a non-negative integer
};

struct TJsonReaderLevel {
  TJsonReaderState State = TJsonReaderState::SkipSpace;
  // Where SkipSpace goes once white space and comments are behind.
  TJsonReaderState ReturnState = TJsonReaderState::Start;
  IJsonValue Aux;  // path mode: the index read between brackets, or the argument list
  IJsonValue Current;
  std::u16string PendingName;  // a member name waiting for its value
  IJsonValue Container;        // path mode: what the current step looks into
  IJsonValue OuterContainer;   // path mode: what holds Container
};

// The reader's whole state; lives for one run.
class TJsonTokenizer {
 public:
  static constexpr std::int32_t kLevelCount = 32;

  TJsonTokenizer() { ResetTokenizer(); }
  ~TJsonTokenizer() { ResetTokenizer(); }
  TJsonTokenizer(const TJsonTokenizer&) = delete;
  TJsonTokenizer& operator=(const TJsonTokenizer&) = delete;

  void ResetLevel(std::int32_t n) noexcept;
  // Resets the levels from Depth down to 0; Depth and ErrorCode become 0.
  void ResetTokenizer() noexcept;

  TJsonWriterString TokenBuffer;  // the characters of the current token
  std::int32_t Depth = 0;         // index of the active level
  std::int32_t HasFraction = 0;   // the number has shown a point or an exponent
  // Digits after the point while the number can still be a currency value, else -1.
  std::int32_t FractionDigits = -1;
  std::int32_t MatchCount = 0;  // keyword characters matched; hex digits of an escape
  std::int32_t CharOffset = 0;  // index of the next character to read
  std::uint8_t ErrorCode = jeNone;
  char16_t EscapeValue = 0;
  char16_t QuoteChar = 0;
  std::array<TJsonReaderLevel, kLevelCount> Levels;
};

// Reads text with the tokenizer. length -1 reads up to and including the
// terminating U+0000; otherwise exactly length units are read and ending
// inside a value fails with jeLengthReached. base is nil for a document, or
// the value a path starts from; actions, putValue and newKind steer the path
// steps. Yields nil when tokenizer.ErrorCode is set afterwards; with paCall,
// a method value reached at the end is called with its container and
// putValue and its result is the result. tokenizer.CharOffset tells how far
// the text was read.
IJsonValue ParseJsonCore(TJsonTokenizer& tokenizer, const char16_t* text, std::int32_t length,
                         bool strict, const IJsonValue& base, TJsonPathActions actions,
                         const IJsonValue& putValue, TJsonKind newKind);

// The same over a view that need not be terminated: its end reads as U+0000
// (as does a U+0000 inside it).
IJsonValue ParseJsonCore(TJsonTokenizer& tokenizer, std::u16string_view text, bool strict,
                         const IJsonValue& base, TJsonPathActions actions,
                         const IJsonValue& putValue, TJsonKind newKind);
