// Conversions between kinds. None fails on an unsuitable kind; each falls
// back to a default. Only rounding out of the 64-bit range raises.
#include <limits>

#include "json/value/json_number_read.h"
#include "json/value/jsonvalue.h"

using json::internal::ReadJsonInteger;
using json::internal::ReadJsonReal;
using json::internal::RoundJsonFloat;

namespace {

// n / d rounded to nearest, halves to the even neighbour (d > 0).
std::int64_t DivideHalfEven(std::int64_t n, std::int64_t d) noexcept {
  std::int64_t quotient = n / d;
  const std::int64_t remainder = n % d;
  const std::int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
  const std::int64_t step = n < 0 ? -1 : 1;
  if (twice > d || (twice == d && quotient % 2 != 0)) quotient += step;
  return quotient;
}

}  // namespace

bool TJsonValue::ToBool() const noexcept {
  switch (FKind) {
    case skNull:
      return false;
    case skBoolean:
      return FPayload.Boolean;
    case skDouble:
      return FPayload.Float != 0.0;
    case skCurrency:
    case skInt:
      return FPayload.Integer != 0;
    case skString:
      return !FText.empty();
    case skObject:
    case skArray:
    case skMethod:
      return true;
  }
  return false;
}

std::int64_t TJsonValue::ToInt() const {
  switch (FKind) {
    case skBoolean:
      return FPayload.Boolean ? 1 : 0;
    case skDouble:
      return RoundJsonFloat(FPayload.Float);
    case skCurrency:
      return DivideHalfEven(FPayload.Integer, TJsonCurrency::Scale);
    case skInt:
      return FPayload.Integer;
    case skString:
      return ReadJsonInteger(FText).value_or(0);
    default:
      return 0;
  }
}

double TJsonValue::ToFloat() const noexcept {
  switch (FKind) {
    case skBoolean:
      return FPayload.Boolean ? 1.0 : 0.0;
    case skDouble:
      return FPayload.Float;
    case skCurrency:
      return double(FPayload.Integer) / double(TJsonCurrency::Scale);
    case skInt:
      return double(FPayload.Integer);
    case skString:
      return ReadJsonReal(FText).value_or(0.0);
    default:
      return 0.0;
  }
}

TJsonCurrency TJsonValue::ToMoney() const {
  switch (FKind) {
    case skBoolean:
      return {FPayload.Boolean ? TJsonCurrency::Scale : 0};
    case skDouble:
      return {RoundJsonFloat(FPayload.Float * double(TJsonCurrency::Scale))};
    case skCurrency:
      return {FPayload.Integer};
    case skInt: {
      constexpr std::int64_t kLimit =
          std::numeric_limits<std::int64_t>::max() / TJsonCurrency::Scale;
      if (FPayload.Integer > kLimit || FPayload.Integer < -kLimit) {
        throw EJsonError(kJsonInvalidFloatOp);
      }
      return {FPayload.Integer * TJsonCurrency::Scale};
    }
    case skString: {
      const std::optional<double> real = ReadJsonReal(FText);
      return {real ? RoundJsonFloat(*real * double(TJsonCurrency::Scale)) : 0};
    }
    default:
      return {};
  }
}

std::u16string TJsonValue::ToText() const {
  if (FKind == skString) return FText;
  return const_cast<TJsonValue*>(this)->ToJsonText(false, false);
}
