#include "tools/client/json_lite.h"

#include <charconv>

#include "text/utf8_codec.h"

namespace ferolant::client {
namespace {

constexpr int kMaxDepth = 64;

class TReader {
 public:
  explicit TReader(std::string_view s) : FText(s) {}

  TJsonLiteResult Run() {
    TJsonLiteResult r;
    TJsonLite v;
    SkipSpace();
    if (!Value(v, 0)) {
      r.Error = FError + " at byte " + std::to_string(FPos);
      return r;
    }
    SkipSpace();
    if (FPos != FText.size()) {
      r.Error = "text after the value at byte " + std::to_string(FPos);
      return r;
    }
    r.Value = std::move(v);
    return r;
  }

 private:
  bool Fail(std::string message) {
    if (FError.empty()) FError = std::move(message);
    return false;
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return AtEnd() ? '\0' : FText[FPos]; }
  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++FPos;
    }
  }
  bool Literal(std::string_view word) {
    if (FText.substr(FPos, word.size()) != word) return Fail("unexpected character");
    FPos += word.size();
    return true;
  }

  bool Value(TJsonLite& v, int depth) {
    if (depth > kMaxDepth) return Fail("nesting too deep");
    switch (Peek()) {
      case '{':
        return Object(v, depth);
      case '[':
        return Array(v, depth);
      case '"':
        v.Kind = TJsonLite::TKind::String;
        return String(v.Text);
      case 't':
        v.Kind = TJsonLite::TKind::Bool;
        v.Boolean = true;
        return Literal("true");
      case 'f':
        v.Kind = TJsonLite::TKind::Bool;
        return Literal("false");
      case 'n':
        v.Kind = TJsonLite::TKind::Null;
        return Literal("null");
      default:
        return Number(v);
    }
  }

  bool Object(TJsonLite& v, int depth) {
    v.Kind = TJsonLite::TKind::Object;
    ++FPos;
    SkipSpace();
    if (Peek() == '}') return ++FPos, true;
    for (;;) {
      SkipSpace();
      if (Peek() != '"') return Fail("member name expected");
      std::u16string name;
      if (!String(name)) return false;
      SkipSpace();
      if (Peek() != ':') return Fail("':' expected");
      ++FPos;
      SkipSpace();
      TJsonLite item;
      if (!Value(item, depth + 1)) return false;
      v.Names.push_back(std::move(name));
      v.Items.push_back(std::move(item));
      SkipSpace();
      if (Peek() == ',') {
        ++FPos;
        continue;
      }
      if (Peek() == '}') return ++FPos, true;
      return Fail("',' or '}' expected");
    }
  }

  bool Array(TJsonLite& v, int depth) {
    v.Kind = TJsonLite::TKind::Array;
    ++FPos;
    SkipSpace();
    if (Peek() == ']') return ++FPos, true;
    for (;;) {
      SkipSpace();
      TJsonLite item;
      if (!Value(item, depth + 1)) return false;
      v.Items.push_back(std::move(item));
      SkipSpace();
      if (Peek() == ',') {
        ++FPos;
        continue;
      }
      if (Peek() == ']') return ++FPos, true;
      return Fail("',' or ']' expected");
    }
  }

  bool Hex4(unsigned& unit) {
    if (FPos + 4 > FText.size()) return Fail("short \\u escape");
    unit = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = FText[FPos++];
      unit <<= 4;
      if (c >= '0' && c <= '9') {
        unit |= c - '0';
      } else if (c >= 'a' && c <= 'f') {
        unit |= c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        unit |= c - 'A' + 10;
      } else {
        return Fail("bad \\u escape");
      }
    }
    return true;
  }

  bool String(std::u16string& out) {
    ++FPos;
    std::size_t run = FPos;  // start of the raw bytes not yet decoded
    const auto flush = [&] {
      out += DecodeUtf8(FText.substr(run, FPos - run), TUtf8Mode::umReplace);
    };
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const char c = FText[FPos];
      if (c == '"') {
        flush();
        ++FPos;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        ++FPos;
        continue;
      }
      flush();
      ++FPos;
      if (AtEnd()) return Fail("unterminated string");
      const char e = FText[FPos++];
      switch (e) {
        case '"':
          out += u'"';
          break;
        case '\\':
          out += u'\\';
          break;
        case '/':
          out += u'/';
          break;
        case 'b':
          out += u'\b';
          break;
        case 'f':
          out += u'\f';
          break;
        case 'n':
          out += u'\n';
          break;
        case 'r':
          out += u'\r';
          break;
        case 't':
          out += u'\t';
          break;
        case 'u': {
          unsigned unit = 0;
          if (!Hex4(unit)) return false;
          out += static_cast<char16_t>(unit);
          break;
        }
        default:
          return Fail("unknown escape");
      }
      run = FPos;
    }
  }

  bool Number(TJsonLite& v) {
    const std::size_t start = FPos;
    const auto digits = [&] {
      const std::size_t from = FPos;
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++FPos;
      return FPos > from;
    };
    if (Peek() == '-') ++FPos;
    if (Peek() == '0') {
      ++FPos;
    } else if (!digits()) {
      return Fail("unexpected character");
    }
    if (Peek() == '.') {
      ++FPos;
      if (!digits()) return Fail("digits expected after '.'");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++FPos;
      if (Peek() == '+' || Peek() == '-') ++FPos;
      if (!digits()) return Fail("digits expected in exponent");
    }
    v.Kind = TJsonLite::TKind::Number;
    v.Number = std::string(FText.substr(start, FPos - start));
    return true;
  }

  std::string_view FText;
  std::size_t FPos = 0;
  std::string FError;
};

}  // namespace

const TJsonLite* TJsonLite::Find(std::u16string_view name) const {
  for (std::size_t i = 0; i < Names.size(); ++i) {
    if (Names[i] == name) return &Items[i];
  }
  return nullptr;
}

std::optional<std::int64_t> TJsonLite::AsInt() const {
  if (Kind != TKind::Number) return std::nullopt;
  std::int64_t out = 0;
  const char* end = Number.data() + Number.size();
  const auto [ptr, ec] = std::from_chars(Number.data(), end, out);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return out;
}

TJsonLiteResult ParseJsonLite(std::string_view utf8) { return TReader(utf8).Run(); }

}  // namespace ferolant::client
