#pragma once
// A small, strict JSON reader for the client. Strict on purpose: the client is a diagnostic
// tool, so a reply that a browser's parser would reject must be reported, not tolerated.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ferolant::client {

struct TJsonLite {
  enum class TKind { Null, Bool, Number, String, Array, Object };

  TKind Kind = TKind::Null;
  bool Boolean = false;
  std::string Number;                 // the number as written
  std::u16string Text;                // a string's decoded code units (lone surrogates kept)
  std::vector<TJsonLite> Items;       // array items, or object member values
  std::vector<std::u16string> Names;  // object member names, parallel to items

  // The first member of that name, or nullptr (also for a value that is not an object).
  const TJsonLite* Find(std::u16string_view name) const;
  // A number written as a whole number that fits 64 bits.
  std::optional<std::int64_t> AsInt() const;
};

struct TJsonLiteResult {
  std::optional<TJsonLite> Value;
  std::string Error;  // with the byte offset, when value is empty
};

// Reads exactly one JSON value (white space around it allowed). Raw UTF-8 in strings is decoded;
// nesting deeper than 64 levels is refused rather than followed.
TJsonLiteResult ParseJsonLite(std::string_view utf8);

}  // namespace ferolant::client
