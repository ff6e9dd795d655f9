// String escaping of the JSON writer.
//
// Full escaping (escapeNonAscii) leaves only U+0020..U+007F in the text:
// \b \t \n \f \r \" \\ \/ for those units, \u00xx for the other control
// units and for U+0080..U+00FF, \uxxxx above (lower-case hex; each half of a
// surrogate pair on its own). U+007F stays as it is.
// Minimal escaping touches only U+0000 (\u0000), the double quote and the
// backslash, so its output can be read back with a plain JSON reader as long
// as the consumer accepts raw control characters in strings.
//
// Units that need no escape are handed to a sink in runs, one AppendChars
// per run; each escape is one further AppendChars of 2 or 6 units. The string
// sink gets short runs and escapes gathered into larger appends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TJsonWriter;
class TJsonWriterString;

void AppendEscaped(TJsonWriter& sink, std::u16string_view text, bool escapeNonAscii);
// The same, with the string sink's appends resolved at compile time.
void AppendEscaped(TJsonWriterString& sink, std::u16string_view text, bool escapeNonAscii);
// The same, appending to a plain string.
void AppendEscaped(std::u16string& out, std::u16string_view text, bool escapeNonAscii);

// Full escaping appended to narrow text: its output is ASCII, one byte per
// character, so a writer that sends bytes needs no further conversion.
void AppendEscapedAscii(std::string& out, std::u16string_view text);
// The same for the longest front of text that escapes into at most room
// bytes; gives back its length in units. A unit is never split: one that
// does not fit whole (a six-byte \u escape, say) is left out whole.
std::size_t AppendEscapedAsciiWithin(std::string& out, std::u16string_view text, std::size_t room);

// The number of leading units of text that full escaping writes as they are
// (one byte each on the wire).
std::size_t PlainEscapedLength(std::u16string_view text) noexcept;
// The same for bytes read as one unit each: the leading ASCII bytes written as they are.
std::size_t PlainEscapedLength(std::string_view bytes) noexcept;

// The bytes one unit takes under full escaping: printable ASCII as itself,
// the quote, backslash, solidus and the five short control escapes as two,
// every other unit as a six-byte \u escape.
std::size_t EscapedAsciiSize(char16_t unit) noexcept;
// The number of units from the front of text whose full escapes fit in room
// bytes: what AppendEscapedAsciiWithin would take, without writing it.
std::size_t EscapedAsciiUnitsWithin(std::u16string_view text, std::size_t room) noexcept;
