// Deterministic inputs shared by the benchmarks: request bodies as the
// browser sends them (UTF-8 bytes) and reply data as the signing library
// hands it over (UTF-16).
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// Plain English-like ASCII prose of about size bytes, with a line break
// (written as the escape \n in JSON) every few dozen words.
std::string AsciiProse(std::size_t size);
// Czech prose in UTF-8 of about size bytes, diacritics included.
std::string CzechProse(std::size_t size);

// A SIGNDETACHED request whose "param1" is text (already valid inside a JSON
// string: no quotes, backslashes or control characters in it; line breaks
// are added as \n escapes every so often).
std::string SignRequest(const std::string& text);

// A generated document of about size bytes: nested objects and arrays, many
// short members, integers and decimals.
std::string ObjectHeavyDocument(std::size_t size);

// Reply data of units UTF-16 code units: Base64-like ASCII, or Czech text.
std::u16string AsciiData(std::size_t units);
std::u16string CzechData(std::size_t units);

}  // namespace bench
