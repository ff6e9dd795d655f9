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

// What intake takes from a request's JSON, in units of the text read. The views point into
// the text (or the document) the members were read from.
template <typename TUnit>
struct TRequestFieldsOf {
  std::basic_string_view<TUnit> Method;
  // Before the cut to 32 bits; nothing without a "tabID".
  std::optional<std::int64_t> TabID;
  // The gap-free run of string members from "param1".
  std::array<std::basic_string_view<TUnit>, 10> Params{};
  std::size_t ParamCount = 0;
};
using TRequestFields = TRequestFieldsOf<char16_t>;

// The fields of a request with a string "metoda" and an object "parametry",
// when the text has the plain form above; nothing for any other text.
std::optional<TRequestFields> ReadPlainRequest(std::u16string_view text) noexcept;
// The same for a message's bytes, all of them below 0x80: every code page reads those as the
// units of the same numbers, so the message needs no conversion to wide text first.
std::optional<TRequestFieldsOf<char>> ReadPlainRequest(std::string_view asciiBytes) noexcept;
