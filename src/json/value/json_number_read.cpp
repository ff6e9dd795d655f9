#include "json/value/json_number_read.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "json/value/jsonvalue.h"

namespace json::internal {

namespace {

int DigitValue(char16_t c, bool hex) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (!hex) return -1;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::size_t SkipSpaces(std::u16string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  return i;
}

}  // namespace

std::optional<std::int64_t> ReadJsonInteger(std::u16string_view text) noexcept {
  std::size_t i = SkipSpaces(text);
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  bool hex = false;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;

  std::uint64_t magnitude = 0;
  if (hex) {
    int significant = 0;
    for (; i < text.size(); ++i) {
      const int d = DigitValue(text[i], true);
      if (d < 0) return std::nullopt;
      if ((magnitude != 0 || d != 0) && ++significant > 16) return std::nullopt;
      magnitude = magnitude * 16 + std::uint64_t(d);
    }
  } else {
    // The smallest signed 64-bit value is readable, its negation is not.
    const std::uint64_t limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    for (; i < text.size(); ++i) {
      const int d = DigitValue(text[i], false);
      if (d < 0) return std::nullopt;
      if (magnitude > (limit - std::uint64_t(d)) / 10) return std::nullopt;
      magnitude = magnitude * 10 + std::uint64_t(d);
    }
  }
  return static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
}

std::optional<double> ReadJsonReal(std::u16string_view text) noexcept {
  std::size_t i = SkipSpaces(text);
  std::string ascii;
  ascii.reserve(text.size() - i);
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    if (text[i] == u'-') ascii.push_back('-');
    ++i;
  }
  auto takeDigits = [&]() {
    std::size_t count = 0;
    for (; i < text.size() && DigitValue(text[i], false) >= 0; ++i, ++count) {
      ascii.push_back(char(text[i]));
    }
    return count;
  };
  std::size_t digits = takeDigits();
  if (i < text.size() && text[i] == u'.') {
    ascii.push_back('.');
    ++i;
    digits += takeDigits();
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ascii.push_back(char(text[i++]));
    if (takeDigits() == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0.0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  return value;
}

std::int64_t RoundJsonFloat(double value) {
  double rounded = 0.0;
  if (std::isfinite(value)) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) {
      rounded = below + 1.0;
    } else if (fraction < 0.5) {
      rounded = below;
    } else {
      rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
    }
  }
  constexpr double kTwo63 = 9223372036854775808.0;
  if (!std::isfinite(value) || !(rounded >= -kTwo63 && rounded < kTwo63)) {
    throw EJsonError(kJsonInvalidFloatOp);
  }
  return static_cast<std::int64_t>(rounded);
}

}  // namespace json::internal
