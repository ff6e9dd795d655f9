#include "operations/ole_text.h"

#include <algorithm>
#include <new>
#include <utility>

TInBstr::TInBstr(std::u16string_view text) {
  if (text.empty()) return;
  FValue = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (FValue == nullptr) throw std::bad_alloc();
}

TInBstr::TInBstr(std::size_t count, char16_t unit) {
  if (count == 0) return;
  FValue = platform::SysAllocStringLen(nullptr, static_cast<std::uint32_t>(count));
  if (FValue == nullptr) throw std::bad_alloc();
  std::fill_n(FValue, count, unit);
}

std::u16string TOutBstr::TakeText() {
  std::u16string text = Text();
  FFree(std::exchange(FValue, nullptr));
  return text;
}

std::u16string TOutBstr::Text() const {
  if (FValue == nullptr) return {};
  return std::u16string(FValue, platform::SysStringLen(FValue));
}
