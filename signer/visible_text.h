#pragma once
// What a dialog shows of a page's text or a file's name, so that what is shown is what is
// signed. A label would hide some characters (U+0000 ends a C string; other controls show
// nothing; bidirectional overrides and isolates reorder what follows; zero-width characters are
// invisible), so each of them is shown as a marker "[U+202E]" instead; tab and line feed are
// shown as what they are. Bytes of a name that are not UTF-8 are shown as "[0xFF]".

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin {

// True for a character that a dialog shows as a marker.
bool ShownAsMarker(std::uint32_t codePoint) noexcept;

struct TTextPreview {
  std::string Shown;         // UTF-8, markers in place, whole characters only
  std::uint64_t Length = 0;  // the whole text's length in characters (a pair is one)
  std::uint64_t Hidden = 0;  // the characters that come after the preview
};

// The first `limit` characters of `text`. A lone surrogate (which no code page the library signs
// in can hold, so such a text is never signed) is shown as a marker too.
TTextPreview PreviewOf(std::u16string_view text, std::size_t limit);

// A name or title (bytes, meant as UTF-8) with markers in place.
std::string VisibleName(std::string_view bytes);

}  // namespace tavrin
