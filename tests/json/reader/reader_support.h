// Helpers for the reader's tests: run the reader and describe what it built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "json/reader/json_reader.h"
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
