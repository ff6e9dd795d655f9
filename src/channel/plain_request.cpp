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

// A name in bytes against an ASCII name.
bool Is(std::string_view name, std::u16string_view expected) noexcept {
  return name.size() == expected.size() &&
         std::equal(name.begin(), name.end(), expected.begin(),
                    [](char a, char16_t b) { return static_cast<char16_t>(a) == b; });
}

// The parameter slot a member name fills ("param1" to "param10"), or -1.
template <typename TUnit>
int ParamSlot(std::basic_string_view<TUnit> name) noexcept {
  if (name.size() < 6 || name.size() > 7 || !Is(name.substr(0, 5), u"param"sv)) return -1;
  if (name.size() == 7) return Is(name.substr(5), u"10"sv) ? 9 : -1;
  return name[5] >= '1' && name[5] <= '9' ? name[5] - '1' : -1;
}

// A member's value as the plain form allows it.
template <typename TUnit>
struct TPlainValue {
  enum TKind { pkString, pkInteger, pkObject } Kind = pkString;
  std::basic_string_view<TUnit> Text;
  std::int64_t Integer = 0;
};

template <typename TUnit>
class TPlainReader {
  using TView = std::basic_string_view<TUnit>;
  using TValue = TPlainValue<TUnit>;

 public:
  explicit TPlainReader(TView text) noexcept : FAt(text.data()), FEnd(text.data() + text.size()) {}

  bool Read(TRequestFieldsOf<TUnit>& fields) noexcept {
    bool haveMethod = false;
    bool haveParams = false;
    SkipSpace();
    if (!Take('{')) return false;
    SkipSpace();
    // "{}" has neither member: the reader's answer, nothing, is found there too.
    if (!At('"')) return false;
    do {
      TView name;
      TValue value;
      if (!Member(name, value, /*objectAllowed=*/true)) return false;
      if (Is(name, u"metoda"sv)) {
        if (value.Kind != TValue::pkString) return false;
        fields.Method = value.Text;
        haveMethod = true;
      } else if (Is(name, u"parametry"sv)) {
        // The object was read in Member; a later "parametry" replaces an earlier one, as
        // a later member of the same name does in the document.
        if (value.Kind != TValue::pkObject) return false;
        haveParams = true;
      } else if (Is(name, u"tabID"sv)) {
        // A string is converted by the value's rules, not here.
        if (value.Kind != TValue::pkInteger) return false;
        fields.TabID = value.Integer;
      }
    } while (Separator());
    if (!Take('}')) return false;
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
  bool At(TUnit unit) const noexcept { return FAt != FEnd && *FAt == unit; }

  bool Take(TUnit unit) noexcept {
    if (!At(unit)) return false;
    ++FAt;
    return true;
  }

  // Only the spaces a JSON writer puts out; the reader's other spaces go to the reader.
  void SkipSpace() noexcept {
    while (FAt != FEnd && *FAt <= ' ' &&
           (*FAt == ' ' || *FAt == '\n' || *FAt == '\r' || *FAt == '\t')) {
      ++FAt;
    }
  }

  // After a member: true for a comma (and the space behind it), false at anything else.
  bool Separator() noexcept {
    SkipSpace();
    if (!Take(',')) return false;
    SkipSpace();
    return true;
  }

  // A double-quoted string without escapes or U+0000, whose units are its value.
  bool String(TView& text) noexcept {
    if (!Take('"')) return false;
    const auto left = static_cast<std::size_t>(FEnd - FAt);
    const std::size_t length = json_scan::FindStringStop(FAt, left, '"');
    if (length == left || FAt[length] != '"') return false;
    text = TView(FAt, length);
    FAt += length + 1;
    return true;
  }

  // Digits with an optional minus, few enough that no reading of them can overflow.
  bool Integer(std::int64_t& value) noexcept {
    const bool negative = Take('-');
    const TUnit* const digits = FAt;
    std::int64_t magnitude = 0;
    while (FAt != FEnd && *FAt >= '0' && *FAt <= '9') {
      if (FAt - digits == 18) return false;
      magnitude = magnitude * 10 + (*FAt++ - '0');
    }
    // A point, an exponent or a sign behind the digits is no separator: the member fails.
    if (FAt == digits) return false;
    value = negative ? -magnitude : magnitude;
    return true;
  }

  bool Value(TValue& value) noexcept {
    if (At('"')) {
      value.Kind = TValue::pkString;
      return String(value.Text);
    }
    value.Kind = TValue::pkInteger;
    return Integer(value.Integer);
  }

  // name: value, the value an object only where allowed (the parameters' holder).
  bool Member(TView& name, TValue& value, bool objectAllowed) noexcept {
    if (!String(name)) return false;
    SkipSpace();
    if (!Take(':')) return false;
    SkipSpace();
    if (At('{')) {
      if (!objectAllowed || !Is(name, u"parametry"sv)) return false;
      value.Kind = TValue::pkObject;
      return Params();
    }
    return Value(value);
  }

  // The flat object of parameters; a later member of one name replaces the earlier.
  bool Params() noexcept {
    FParamIsString.fill(false);
    if (!Take('{')) return false;
    SkipSpace();
    if (Take('}')) return true;
    do {
      TView name;
      TValue value;
      if (!Member(name, value, /*objectAllowed=*/false)) return false;
      if (const int slot = ParamSlot(name); slot >= 0) {
        FParamIsString[slot] = value.Kind == TValue::pkString;
        FParams[slot] = value.Text;
      }
    } while (Separator());
    return Take('}');
  }

  const TUnit* FAt;
  const TUnit* const FEnd;
  std::array<TView, 10> FParams{};
  std::array<bool, 10> FParamIsString{};
};

template <typename TUnit>
std::optional<TRequestFieldsOf<TUnit>> ReadPlain(std::basic_string_view<TUnit> text) noexcept {
  TRequestFieldsOf<TUnit> fields;
  if (!TPlainReader<TUnit>(text).Read(fields)) return std::nullopt;
  return fields;
}

}  // namespace

std::optional<TRequestFields> ReadPlainRequest(std::u16string_view text) noexcept {
  return ReadPlain(text);
}

std::optional<TRequestFieldsOf<char>> ReadPlainRequest(std::string_view asciiBytes) noexcept {
  return ReadPlain(asciiBytes);
}
