#pragma once
// Owners for the system strings of one library call, so that no path out of a handler (an
// exception included) leaks or double-frees a string.

#include <string>
#include <string_view>
#include <utility>

#include "operations/uTavrinDLL.h"

// An in-text argument: a system string holding a copy of the text, or null for the empty text.
class TInBstr {
 public:
  explicit TInBstr(std::u16string_view text);
  // `count` copies of `unit`, made in place.
  TInBstr(std::size_t count, char16_t unit);
  ~TInBstr() { platform::SysFreeString(FValue); }
  TInBstr(const TInBstr&) = delete;
  TInBstr& operator=(const TInBstr&) = delete;

  TInText Get() const noexcept { return FValue; }

 private:
  TBstr FValue = nullptr;
};

// An out-text variable: null when handed to the library, freed with the library table's
// FreeString when the holder goes.
class TOutBstr {
 public:
  explicit TOutBstr(TTavrinFunctions::TFreeString freeString) noexcept : FFree(freeString) {}
  ~TOutBstr() {
    if (FValue != nullptr) FFree(FValue);
  }
  TOutBstr(const TOutBstr&) = delete;
  TOutBstr& operator=(const TOutBstr&) = delete;
  // Moves hand the string on: a long result can stay in the library's string until it is sent.
  TOutBstr(TOutBstr&& other) noexcept
      : FFree(other.FFree), FValue(std::exchange(other.FValue, nullptr)) {}
  TOutBstr& operator=(TOutBstr&& other) noexcept {
    if (this != &other) {
      if (FValue != nullptr) FFree(FValue);
      FFree = other.FFree;
      FValue = std::exchange(other.FValue, nullptr);
    }
    return *this;
  }

  TBstr* Out() noexcept { return &FValue; }
  // The returned text as it lies in the library's string; empty when the library stored nothing.
  std::u16string_view View() const noexcept { return {FValue, platform::SysStringLen(FValue)}; }
  // A copy of the returned text; empty when the library stored nothing.
  std::u16string Text() const;
  // The returned text, freeing the library's string at once (long results are not held
  // twice while the reply is built).
  std::u16string TakeText();

 private:
  TTavrinFunctions::TFreeString FFree;
  TBstr FValue = nullptr;
};
