#include "tools/client/json_lite.h"

#include <charconv>

#include "text/utf8_codec.h"

namespace ferolant::client {
namespace {

constexpr int kMaxDepth = 64;

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  JsonLiteResult Run() {
    JsonLiteResult r;
    JsonLite v;
    SkipSpace();
    if (!Value(v, 0)) {
      r.error = error_ + " at byte " + std::to_string(pos_);
      return r;
    }
    SkipSpace();
    if (pos_ != s_.size()) {
      r.error = "text after the value at byte " + std::to_string(pos_);
      return r;
    }
    r.value = std::move(v);
    return r;
  }

 private:
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }
  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++pos_;
    }
  }
  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return Fail("unexpected character");
    pos_ += word.size();
    return true;
  }

  bool Value(JsonLite& v, int depth) {
    if (depth > kMaxDepth) return Fail("nesting too deep");
    switch (Peek()) {
      case '{':
        return Object(v, depth);
      case '[':
        return Array(v, depth);
      case '"':
        v.kind = JsonLite::Kind::kString;
        return String(v.text);
      case 't':
        v.kind = JsonLite::Kind::kBool;
        v.boolean = true;
        return Literal("true");
      case 'f':
        v.kind = JsonLite::Kind::kBool;
        return Literal("false");
      case 'n':
        v.kind = JsonLite::Kind::kNull;
        return Literal("null");
      default:
        return Number(v);
    }
  }

  bool Object(JsonLite& v, int depth) {
    v.kind = JsonLite::Kind::kObject;
    ++pos_;
    SkipSpace();
    if (Peek() == '}') return ++pos_, true;
    for (;;) {
      SkipSpace();
      if (Peek() != '"') return Fail("member name expected");
      std::u16string name;
      if (!String(name)) return false;
      SkipSpace();
      if (Peek() != ':') return Fail("':' expected");
      ++pos_;
      SkipSpace();
      JsonLite item;
      if (!Value(item, depth + 1)) return false;
      v.names.push_back(std::move(name));
      v.items.push_back(std::move(item));
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      if (Peek() == '}') return ++pos_, true;
      return Fail("',' or '}' expected");
    }
  }

  bool Array(JsonLite& v, int depth) {
    v.kind = JsonLite::Kind::kArray;
    ++pos_;
    SkipSpace();
    if (Peek() == ']') return ++pos_, true;
    for (;;) {
      SkipSpace();
      JsonLite item;
      if (!Value(item, depth + 1)) return false;
      v.items.push_back(std::move(item));
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      if (Peek() == ']') return ++pos_, true;
      return Fail("',' or ']' expected");
    }
  }

  bool Hex4(unsigned& unit) {
    if (pos_ + 4 > s_.size()) return Fail("short \\u escape");
    unit = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[pos_++];
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
    ++pos_;
    std::size_t run = pos_;  // start of the raw bytes not yet decoded
    const auto flush = [&] { out += DecodeUtf8(s_.substr(run, pos_ - run), TUtf8Mode::umReplace); };
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const char c = s_[pos_];
      if (c == '"') {
        flush();
        ++pos_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        ++pos_;
        continue;
      }
      flush();
      ++pos_;
      if (AtEnd()) return Fail("unterminated string");
      const char e = s_[pos_++];
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
      run = pos_;
    }
  }

  bool Number(JsonLite& v) {
    const std::size_t start = pos_;
    const auto digits = [&] {
      const std::size_t from = pos_;
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++pos_;
      return pos_ > from;
    };
    if (Peek() == '-') ++pos_;
    if (Peek() == '0') {
      ++pos_;
    } else if (!digits()) {
      return Fail("unexpected character");
    }
    if (Peek() == '.') {
      ++pos_;
      if (!digits()) return Fail("digits expected after '.'");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++pos_;
      if (Peek() == '+' || Peek() == '-') ++pos_;
      if (!digits()) return Fail("digits expected in exponent");
    }
    v.kind = JsonLite::Kind::kNumber;
    v.number = std::string(s_.substr(start, pos_ - start));
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

const JsonLite* JsonLite::Find(std::u16string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return &items[i];
  }
  return nullptr;
}

std::optional<std::int64_t> JsonLite::AsInt() const {
  if (kind != Kind::kNumber) return std::nullopt;
  std::int64_t out = 0;
  const char* end = number.data() + number.size();
  const auto [ptr, ec] = std::from_chars(number.data(), end, out);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return out;
}

JsonLiteResult ParseJsonLite(std::string_view utf8) { return Reader(utf8).Run(); }

}  // namespace ferolant::client
