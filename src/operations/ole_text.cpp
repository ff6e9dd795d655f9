#include "operations/ole_text.h"

#include <algorithm>
#include <new>
#include <utility>

TInBstr::TInBstr(std::u16string_view text) {
  if (text.empty()) return;
  value_ = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (value_ == nullptr) throw std::bad_alloc();
}

TInBstr::TInBstr(std::size_t count, char16_t unit) {
  if (count == 0) return;
  value_ = platform::SysAllocStringLen(nullptr, static_cast<std::uint32_t>(count));
  if (value_ == nullptr) throw std::bad_alloc();
  std::fill_n(value_, count, unit);
}

std::u16string TOutBstr::TakeText() {
  std::u16string text = Text();
  free_(std::exchange(value_, nullptr));
  return text;
}

std::u16string TOutBstr::Text() const {
  if (value_ == nullptr) return {};
  return std::u16string(value_, platform::SysStringLen(value_));
}
