// The members of a request in the form extensions send it, read without
// building a JSON document.
//
// A small request costs more in the document the reader builds, and in the
// member lookups and the release that follow, than in everything else the
// host does for it. Most requests are one object of double-quoted names
// whose values are strings without escapes, whole numbers and one flat
// "parametry" object: such text is read here in one pass. Anything else
// (an escape, a comment, a single quote, a bare word, another kind of value,
// a space other than tab, LF, CR and space, or text after the object) gives
// nothing, and the request goes to the JSON reader, so that whatever this
// reads, the reader would have read the same way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// What intake takes from a request's JSON. The views point into the text
// (or the document) the members were read from.
struct TRequestFields {
  std::u16string_view Method;
  // Before the cut to 32 bits; nothing without a "tabID".
  std::optional<std::int64_t> TabID;
  // The gap-free run of string members from "param1".
  std::array<std::u16string_view, 10> Params{};
  std::size_t ParamCount = 0;

  bool operator==(const TRequestFields& other) const noexcept;
};

// The fields of a request with a string "metoda" and an object "parametry",
// when the text has the plain form above; nothing for any other text.
std::optional<TRequestFields> ReadPlainRequest(std::u16string_view text) noexcept;
