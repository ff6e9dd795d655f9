#include "tools/client/text.h"

#include <cstdio>

#include "text/unicode.h"

namespace ferolant::client {
namespace {

void AppendEscape(std::string& out, unsigned unit) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", unit);
  out += buf;
}

}  // namespace

std::string Utf16ToDisplay(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
    const char32_t cp = unicode::CharacterAt(text, i, units);
    if (unicode::IsSurrogate(cp) || (cp < 0x20 && cp != '\n' && cp != '\t') || cp == 0x7F) {
      AppendEscape(out, cp);
    } else {
      unicode::AppendUtf8(out, cp);
    }
  }
  return out;
}

std::string JsonQuote(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          AppendEscape(out, static_cast<unsigned char>(c));
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace ferolant::client
