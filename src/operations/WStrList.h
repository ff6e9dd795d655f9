// The ordered list of wide texts that carries one request's parameters from
// intake to the handlers: "param1" is item 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TWideStrings {
 public:
  // Appends a copy of text; returns its index (the count before the call).
  std::int32_t AddItem(std::u16string_view text);
  // The same, taking over text instead of copying it.
  std::int32_t AddItem(std::u16string&& text);
  std::int32_t AddItem(const char16_t* text) { return AddItem(std::u16string_view(text)); }
  std::int32_t ItemCount() const noexcept { return static_cast<std::int32_t>(FItems.size()); }
  // A copy of item index; the empty text for any index outside the list.
  std::u16string GetItem(std::int32_t index) const;
  // Item index without a copy (valid until the list changes); empty outside the list.
  std::u16string_view ItemView(std::int32_t index) const noexcept;
  void ClearItems() noexcept { FItems.clear(); }

 private:
  std::vector<std::u16string> FItems;
};
