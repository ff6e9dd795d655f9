#include "platform/rtf_log.h"

namespace platform {

namespace {

void AppendEscaped(std::string& out, std::string_view line) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    switch (byte) {
      case '\\':
      case '{':
      case '}':
        out += '\\';
        out += static_cast<char>(byte);
        break;
      case '\t':
        out += "\\tab ";
        break;
      case '\r':
        // A CR LF pair (or a lone CR) inside a line starts a new paragraph, as in the control.
        if (i + 1 < line.size() && line[i + 1] == '\n') ++i;
        [[fallthrough]];
      case '\n':
        out += "\\par\n";
        break;
      default:
        if (byte >= 0x20 && byte < 0x80) {
          out += static_cast<char>(byte);
        } else {
          out += "\\'";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        }
    }
  }
}

}  // namespace

std::string RtfLogDocument(std::span<const std::string> lines) {
  // The font and size are those of the log window: MS Sans Serif, 8 points, Central European.
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1029"
      "{\\fonttbl{\\f0\\fnil\\fcharset238 MS Sans Serif;}}\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs16 ";
  for (const std::string& line : lines) {
    AppendEscaped(out, line);
    out += "\\par\n";
  }
  out += "}\n";
  return out;
}

}  // namespace platform
