// The rest of a long result that waits for GETNEXTBLOCK requests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "operations/ole_text.h"

// Holds the whole data text of the reply that was cut, either as a string of the host's or as
// the signing library's own string taken over as it came: copying a result of tens of megabytes
// would cost more than sending it.
class TPendingText {
 public:
  TPendingText() noexcept = default;
  explicit TPendingText(std::u16string text) noexcept : FText(std::move(text)) {}
  explicit TPendingText(TOutBstr text) noexcept : FLibraryText(std::move(text)) {}

  std::u16string_view View() const noexcept {
    return FLibraryText.View().empty() ? std::u16string_view(FText) : FLibraryText.View();
  }
  // Gives the memory back (assigning an empty string would keep the buffer).
  void Release() noexcept {
    std::u16string().swap(FText);
    FLibraryText = TOutBstr(nullptr);
  }
  // The units of memory held, so that giving it back can be seen.
  std::size_t Capacity() const noexcept { return FText.capacity() + FLibraryText.View().size(); }

 private:
  std::u16string FText;
  TOutBstr FLibraryText{nullptr};
};
