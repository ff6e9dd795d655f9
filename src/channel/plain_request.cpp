#include "channel/plain_request.h"

#include <cstring>

#include "json/json_unit_scan.h"

namespace {

using namespace std::string_view_literals;

// Names are compared as bytes: the unit-wise compare of a u16string_view costs more than the
// rest of reading a small request.
bool Is(std::u16string_view name, std::u16string_view expected) noexcept {
  return name.size() == expected.size() &&
         std::memcmp(name.data(), expected.data(), name.size() * sizeof(char16_t)) == 0;
}

// The parameter slot a member name fills ("param1" to "param10"), or -1.
int ParamSlot(std::u16string_view name) noexcept {
  if (name.size() < 6 || name.size() > 7 || !Is(name.substr(0, 5), u"param"sv)) return -1;
  if (name.size() == 7) return Is(name.substr(5), u"10"sv) ? 9 : -1;
  return name[5] >= u'1' && name[5] <= u'9' ? name[5] - u'1' : -1;
}

// A member's value as the plain form allows it.
struct TPlainValue {
  enum TKind { pkString, pkInteger, pkObject } Kind = pkString;
  std::u16string_view Text;
  std::int64_t Integer = 0;
};

class TPlainReader {
 public:
  explicit TPlainReader(std::u16string_view text) noexcept
      : FAt(text.data()), FEnd(text.data() + text.size()) {}

  bool Read(TRequestFields& fields) noexcept {
    bool haveMethod = false;
    bool haveParams = false;
    SkipSpace();
    if (!Take(u'{')) return false;
    SkipSpace();
    // "{}" has neither member: the reader's answer, nothing, is found there too.
    if (!At(u'"')) return false;
    do {
      std::u16string_view name;
      TPlainValue value;
      if (!Member(name, value, /*objectAllowed=*/true)) return false;
      if (Is(name, u"metoda"sv)) {
        if (value.Kind != TPlainValue::pkString) return false;
        fields.Method = value.Text;
        haveMethod = true;
      } else if (Is(name, u"parametry"sv)) {
        // The object was read in Member; a later "parametry" replaces an earlier one, as
        // a later member of the same name does in the document.
        if (value.Kind != TPlainValue::pkObject) return false;
        haveParams = true;
      } else if (Is(name, u"tabID"sv)) {
        // A string is converted by the value's rules, not here.
        if (value.Kind != TPlainValue::pkInteger) return false;
        fields.TabID = value.Integer;
      }
    } while (Separator());
    if (!Take(u'}')) return false;
    SkipSpace();
    if (FAt != FEnd || !haveMethod || !haveParams) return false;
    fields.ParamCount = 0;
    while (fields.ParamCount < 10 && FParamIsString[fields.ParamCount]) {
      fields.Params[fields.ParamCount] = FParams[fields.ParamCount];
      ++fields.ParamCount;
    }
    return true;
  }

 private:
  bool At(char16_t unit) const noexcept { return FAt != FEnd && *FAt == unit; }

  bool Take(char16_t unit) noexcept {
    if (!At(unit)) return false;
    ++FAt;
    return true;
  }

  // Only the spaces a JSON writer puts out; the reader's other spaces go to the reader.
  void SkipSpace() noexcept {
    while (FAt != FEnd && *FAt <= u' ' &&
           (*FAt == u' ' || *FAt == u'\n' || *FAt == u'\r' || *FAt == u'\t')) {
      ++FAt;
    }
  }

  // After a member: true for a comma (and the space behind it), false at anything else.
  bool Separator() noexcept {
    SkipSpace();
    if (!Take(u',')) return false;
    SkipSpace();
    return true;
  }

  // A double-quoted string without escapes or U+0000, whose units are its value.
  bool String(std::u16string_view& text) noexcept {
    if (!Take(u'"')) return false;
    const auto left = static_cast<std::size_t>(FEnd - FAt);
    const std::size_t length = json_scan::FindStringStop(FAt, left, u'"');
    if (length == left || FAt[length] != u'"') return false;
    text = std::u16string_view(FAt, length);
    FAt += length + 1;
    return true;
  }

  // Digits with an optional minus, few enough that no reading of them can overflow.
  bool Integer(std::int64_t& value) noexcept {
    const bool negative = Take(u'-');
    const char16_t* const digits = FAt;
    std::int64_t magnitude = 0;
    while (FAt != FEnd && *FAt >= u'0' && *FAt <= u'9') {
      if (FAt - digits == 18) return false;
      magnitude = magnitude * 10 + (*FAt++ - u'0');
    }
    // A point, an exponent or a sign behind the digits is no separator: the member fails.
    if (FAt == digits) return false;
    value = negative ? -magnitude : magnitude;
    return true;
  }

  bool Value(TPlainValue& value) noexcept {
    if (At(u'"')) {
      value.Kind = TPlainValue::pkString;
      return String(value.Text);
    }
    value.Kind = TPlainValue::pkInteger;
    return Integer(value.Integer);
  }

  // name: value, the value an object only where allowed (the parameters' holder).
  bool Member(std::u16string_view& name, TPlainValue& value, bool objectAllowed) noexcept {
    if (!String(name)) return false;
    SkipSpace();
    if (!Take(u':')) return false;
    SkipSpace();
    if (At(u'{')) {
      if (!objectAllowed || !Is(name, u"parametry"sv)) return false;
      value.Kind = TPlainValue::pkObject;
      return Params();
    }
    return Value(value);
  }

  // The flat object of parameters; a later member of one name replaces the earlier.
  bool Params() noexcept {
    FParamIsString.fill(false);
    if (!Take(u'{')) return false;
    SkipSpace();
    if (Take(u'}')) return true;
    do {
      std::u16string_view name;
      TPlainValue value;
      if (!Member(name, value, /*objectAllowed=*/false)) return false;
      if (const int slot = ParamSlot(name); slot >= 0) {
        FParamIsString[slot] = value.Kind == TPlainValue::pkString;
        FParams[slot] = value.Text;
      }
    } while (Separator());
    return Take(u'}');
  }

  const char16_t* FAt;
  const char16_t* const FEnd;
  std::array<std::u16string_view, 10> FParams{};
  std::array<bool, 10> FParamIsString{};
};

}  // namespace

bool TRequestFields::operator==(const TRequestFields& other) const noexcept {
  if (Method != other.Method || TabID != other.TabID || ParamCount != other.ParamCount) {
    return false;
  }
  for (std::size_t i = 0; i < ParamCount; ++i) {
    if (Params[i] != other.Params[i]) return false;
  }
  return true;
}

std::optional<TRequestFields> ReadPlainRequest(std::u16string_view text) noexcept {
  TRequestFields fields;
  if (!TPlainReader(text).Read(fields)) return std::nullopt;
  return fields;
}
