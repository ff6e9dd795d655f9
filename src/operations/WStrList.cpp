#include "operations/WStrList.h"

#include <utility>

std::int32_t TWideStrings::AddItem(std::u16string_view text) {
  FItems.emplace_back(text);
  return static_cast<std::int32_t>(FItems.size() - 1);
}

std::int32_t TWideStrings::AddItem(std::u16string&& text) {
  FItems.push_back(std::move(text));
  return static_cast<std::int32_t>(FItems.size() - 1);
}

std::u16string TWideStrings::GetItem(std::int32_t index) const {
  if (index < 0 || index >= ItemCount()) return {};
  return FItems[static_cast<std::size_t>(index)];
}

std::u16string_view TWideStrings::ItemView(std::int32_t index) const noexcept {
  if (index < 0 || index >= ItemCount()) return {};
  return FItems[static_cast<std::size_t>(index)];
}
