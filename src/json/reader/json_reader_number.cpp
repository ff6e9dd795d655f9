#include "json/reader/json_reader_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>

namespace json::internal {

namespace {

constexpr bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// Reads an optional sign and the digits behind it; false when the value had
// to be saturated.
bool ReadIntegerPrefix(std::u16string_view text, std::int64_t& value) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  // Accumulated as a negative number, whose range reaches INT64_MIN.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  bool fits = true;
  // Eighteen digits always fit: the usual short number skips the range test. The first nine
  // fit 32 bits, so a 32-bit processor sums them without 64-bit multiplications.
  const std::size_t unchecked = std::min(text.size(), i + 18);
  std::uint32_t head = 0;
  for (const std::size_t nine = std::min(unchecked, i + 9); i < nine && IsDigit(text[i]); ++i) {
    head = head * 10 + static_cast<std::uint32_t>(text[i] - u'0');
  }
  std::int64_t acc = -static_cast<std::int64_t>(head);
  for (; i < unchecked && IsDigit(text[i]); ++i) {
    acc = acc * 10 - (text[i] - u'0');
  }
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const int digit = text[i] - u'0';
    if (acc < (kMin + digit) / 10) {
      fits = false;
      acc = kMin;
    } else if (fits) {
      acc = acc * 10 - digit;
    }
  }
  if (!negative) {
    if (acc == kMin) {
      fits = false;
      value = std::numeric_limits<std::int64_t>::max();
      return fits;
    }
    acc = -acc;
  }
  value = acc;
  return fits;
}

// The exponent behind "e" or "E", saturated well beyond any double exponent.
std::int64_t ReadExponent(std::u16string_view text) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value < 1'000'000'000) value = value * 10 + (text[i] - u'0');
  }
  return negative ? -value : value;
}

// Whether a number that does not fit a double is too large (rather than too
// small): the position of its first significant digit decides.
bool IsTooLarge(std::string_view number) noexcept {
  std::int64_t magnitude = 0;
  bool inFraction = false;
  bool significant = false;
  std::size_t i = 0;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.') {
      inFraction = true;
    } else if (c >= '0' && c <= '9') {
      if (c != '0') significant = true;
      if (!inFraction && significant) ++magnitude;
      if (inFraction && !significant) --magnitude;
    } else {
      break;
    }
  }
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    std::u16string exponent;
    for (++i; i < number.size(); ++i) exponent.push_back(static_cast<char16_t>(number[i]));
    magnitude += ReadExponent(exponent);
  }
  return magnitude > 0;
}

// The usual amount, read in one pass: an optional minus, digits, the point
// and exactly fractionDigits digits, with at most 14 digits in all, so that
// neither the digits nor the scaled amount can leave the 64-bit range.
// Anything else is left to the general reading.
std::optional<std::int64_t> ReadPlainShortAmount(std::u16string_view text,
                                                 std::int32_t fractionDigits) noexcept {
  const bool negative = !text.empty() && text[0] == u'-';
  std::size_t i = negative ? 1 : 0;
  // At most 14 digits and the point.
  if (text.size() - i > 15) return std::nullopt;
  std::int64_t amount = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) amount = amount * 10 + (text[i] - u'0');
  if (i == text.size() || text[i] != u'.') return std::nullopt;
  ++i;
  if (text.size() - i != static_cast<std::size_t>(fractionDigits)) return std::nullopt;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    amount = amount * 10 + (text[i] - u'0');
  }
  static constexpr std::int64_t kScale[] = {10000, 1000, 100, 10, 1};
  return (negative ? -amount : amount) * kScale[fractionDigits];
}

}  // namespace

std::int64_t ReadTokenInteger(std::u16string_view text) noexcept {
  std::int64_t value = 0;
  ReadIntegerPrefix(text, value);
  return value;
}

std::optional<std::int64_t> ReadTokenMoney(std::u16string_view text,
                                           std::int32_t fractionDigits) noexcept {
  if (fractionDigits >= 0 && fractionDigits <= 4) {
    if (const auto amount = ReadPlainShortAmount(text, fractionDigits)) return amount;
  }
  // The point is taken out by moving the fraction digits one place left and
  // ending the text behind them; the scale makes up for the digits missing.
  // Amounts of a document are short: they are joined on the stack.
  const std::size_t point = text.find(u'.');
  const std::u16string_view whole = text.substr(0, point);
  const std::u16string_view fraction =
      point == std::u16string_view::npos
          ? std::u16string_view()
          : text.substr(point + 1, static_cast<std::size_t>(fractionDigits));
  char16_t shortJoined[64];
  std::u16string longJoined;
  std::u16string_view joined;
  if (whole.size() + fraction.size() <= std::size(shortJoined)) {
    std::copy(fraction.begin(), fraction.end(), std::copy(whole.begin(), whole.end(), shortJoined));
    joined = std::u16string_view(shortJoined, whole.size() + fraction.size());
  } else {
    longJoined.assign(whole).append(fraction);
    joined = longJoined;
  }
  std::int64_t amount = 0;
  if (!ReadIntegerPrefix(joined, amount)) return std::nullopt;
  static constexpr std::int64_t kScale[] = {10000, 1000, 100, 10, 1};
  const std::int64_t scale = kScale[fractionDigits < 0 || fractionDigits > 4 ? 4 : fractionDigits];
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (amount > kMax / scale || amount < kMin / scale) return std::nullopt;
  return amount * scale;
}

double ReadTokenDouble(std::u16string_view text) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  // from_chars reads narrow text and would accept a second minus sign.
  std::string narrow;
  narrow.reserve(text.size() - i);
  for (; i < text.size(); ++i) narrow.push_back(static_cast<char>(text[i]));
  if (narrow.empty() || narrow[0] == '-' || narrow[0] == '+') return negative ? -0.0 : 0.0;

  double value = 0.0;
  const char* first = narrow.data();
  const auto [end, error] =
      std::from_chars(first, first + narrow.size(), value, std::chars_format::general);
  if (error == std::errc::invalid_argument) {
    value = 0.0;
  } else if (error == std::errc::result_out_of_range) {
    const std::string_view consumed(first, static_cast<std::size_t>(end - first));
    value = IsTooLarge(consumed) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace json::internal
