#include "visible_text.h"

#include <cstdio>

namespace tavrin {

namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendMarker(std::string& out, const char* format, std::uint32_t value) {
  char marker[16];
  std::snprintf(marker, sizeof marker, format, value);
  out += marker;
}

void AppendShown(std::string& out, std::uint32_t c) {
  if (ShownAsMarker(c)) {
    AppendMarker(out, "[U+%04X]", c);
  } else {
    AppendUtf8(out, c);
  }
}

bool IsSurrogate(std::uint32_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

// The length of the UTF-8 sequence at `i` and its character, or 0 where it is not one.
std::size_t DecodeAt(std::string_view s, std::size_t i, std::uint32_t& c) noexcept {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || IsSurrogate(c)) return 0;
  return length;
}

}  // namespace

bool ShownAsMarker(std::uint32_t c) noexcept {
  if (c == '\t' || c == '\n') return false;
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL and C1 controls
         c == 0x061C ||                           // Arabic letter mark
         (c >= 0x200B && c <= 0x200F) ||          // zero-width characters, LRM, RLM
         (c >= 0x2028 && c <= 0x202E) ||          // line and paragraph separators, embeddings
         (c >= 0x2060 && c <= 0x206F) ||          // word joiner, isolates, deprecated formats
         c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || IsSurrogate(c);
}

TextPreview PreviewOf(std::u16string_view text, std::size_t limit) {
  TextPreview preview;
  for (std::size_t i = 0; i < text.size(); ++i, ++preview.length) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (preview.length < limit) {
      AppendShown(preview.shown, c);
    } else {
      ++preview.hidden;
    }
  }
  return preview;
}

std::string VisibleName(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint32_t c = 0;
    const std::size_t length = DecodeAt(bytes, i, c);
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
