#include "operations/ole_text.h"

#include <new>

TInBstr::TInBstr(std::u16string_view text) {
  if (text.empty()) return;
  value_ = platform::SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (value_ == nullptr) throw std::bad_alloc();
}

std::u16string TOutBstr::Text() const {
  if (value_ == nullptr) return {};
  return std::u16string(value_, platform::SysStringLen(value_));
}
