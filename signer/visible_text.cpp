#include "signer/visible_text.h"

#include <cstdio>

#include "text/unicode.h"

namespace tavrin {

namespace {

void AppendMarker(std::string& out, const char* format, std::uint32_t value) {
  char marker[16];
  std::snprintf(marker, sizeof marker, format, value);
  out += marker;
}

void AppendShown(std::string& out, std::uint32_t c) {
  if (ShownAsMarker(c)) {
    AppendMarker(out, "[U+%04X]", c);
  } else {
    unicode::AppendUtf8(out, c);
  }
}

}  // namespace

bool ShownAsMarker(std::uint32_t c) noexcept {
  if (c == '\t' || c == '\n') return false;
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL and C1 controls
         c == 0x061C ||                           // Arabic letter mark
         (c >= 0x200B && c <= 0x200F) ||          // zero-width characters, LRM, RLM
         (c >= 0x2028 && c <= 0x202E) ||          // line and paragraph separators, embeddings
         (c >= 0x2060 && c <= 0x206F) ||          // word joiner, isolates, deprecated formats
         c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || unicode::IsSurrogate(c);
}

TTextPreview PreviewOf(std::u16string_view text, std::size_t limit) {
  TTextPreview preview;
  for (std::size_t i = 0, units = 1; i < text.size(); i += units, ++preview.Length) {
    const char32_t c = unicode::CharacterAt(text, i, units);
    if (preview.Length < limit) {
      AppendShown(preview.Shown, c);
    } else {
      ++preview.Hidden;
    }
  }
  return preview;
}

std::string VisibleName(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t length = unicode::Utf8SequenceAt(bytes, i, c);
    if (length == 0) {
      AppendMarker(out, "[0x%02X]", static_cast<unsigned char>(bytes[i]));
      ++i;
    } else {
      AppendShown(out, c);
      i += length;
    }
  }
  return out;
}

}  // namespace tavrin
