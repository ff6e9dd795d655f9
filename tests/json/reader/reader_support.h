// Helpers for the reader's tests: run the reader and describe what it built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "json/reader/json_reader.h"
#include "json/reader/json_reader_run.h"
#include "json/value/jsonvalue.h"

struct TReadOutcome {
  IJsonValue Value;
  int Error = 0;
  std::int32_t Offset = 0;
};

// One reader run over text; base set means path mode.
inline TReadOutcome RunReader(std::u16string_view text, bool strict = false,
                              const IJsonValue& base = nullptr, TJsonPathActions actions = paNone,
                              const IJsonValue& putValue = nullptr, TJsonKind newKind = skNull) {
  TJsonTokenizer tokenizer;
  TReadOutcome outcome;
  outcome.Value = ParseJsonCore(tokenizer, text, strict, base, actions, putValue, newKind);
  outcome.Error = tokenizer.ErrorCode;
  outcome.Offset = tokenizer.CharOffset;
  return outcome;
}

// Compact, ASCII-only JSON text of a value; "nil" for no value.
inline std::string Json(const IJsonValue& value) {
  if (!value) return "nil";
  std::string narrow;
  for (const char16_t unit : value->ToJsonText(false, true))
    narrow.push_back(static_cast<char>(unit));
  return narrow;
}

inline std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

// Everything a reader run leaves: its value, error and offset, the token
// fields and buffer, and each level up to the active one.
inline std::string RunState(const TJsonTokenizer& t, const IJsonValue& value) {
  const auto narrow = [](std::u16string_view text) {
    std::string out;
    for (const char16_t unit : text) out += std::to_string(unit) + ' ';
    return out;
  };
  std::string state = Json(value) + " kind " + std::to_string(KindOf(value)) + " error " +
                      std::to_string(t.ErrorCode) + " offset " + std::to_string(t.CharOffset) +
                      " depth " + std::to_string(t.Depth) + " fraction " +
                      std::to_string(t.HasFraction) + '/' + std::to_string(t.FractionDigits) +
                      " match " + std::to_string(t.MatchCount) + " escape " +
                      std::to_string(t.EscapeValue) + " quote " + std::to_string(t.QuoteChar) +
                      " buffer [" + narrow(t.TokenBuffer.View()) + "]";
  for (std::int32_t n = 0; n <= t.Depth && n < TJsonTokenizer::kLevelCount; ++n) {
    const TJsonReaderLevel& level = t.Levels[static_cast<std::size_t>(n)];
    state +=
        "\n  level " + std::to_string(n) + ": " + std::to_string(static_cast<int>(level.State)) +
        '/' + std::to_string(static_cast<int>(level.ReturnState)) + " name [" +
        narrow(level.PendingName) + "] current " + Json(level.Current) + " aux " + Json(level.Aux) +
        " container " + Json(level.Container) + " outer " + Json(level.OuterContainer);
  }
  return state;
}

// Reads text with the reader's shortcuts and with its states alone (bounded:
// a counted read; else a view read to its end) and gives what each left,
// the base (a fresh one from makeBase per read, or none) included.
template <class MakeBase>
std::pair<std::string, std::string> ReadBothWays(std::u16string_view text, bool bounded,
                                                 bool strict, MakeBase makeBase,
                                                 TJsonPathActions actions = paNone,
                                                 const IJsonValue& putValue = nullptr,
                                                 TJsonKind newKind = skNull) {
  const auto read = [&](auto shortcuts) {
    const IJsonValue base = makeBase();
    TJsonTokenizer tokenizer;
    json::internal::TJsonReaderRun run(tokenizer, text.data() ? text.data() : u"",
                                       static_cast<std::int32_t>(text.size()), bounded, strict,
                                       base, actions, putValue, newKind);
    const IJsonValue value = run.Run<decltype(shortcuts)::value>();
    return RunState(tokenizer, value) + "\n  base " + Json(base);
  };
  return {read(std::true_type{}), read(std::false_type{})};
}
