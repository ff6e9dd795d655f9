#include "platform/ole_string.h"

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Byte length prefix, as on Windows. Kept in front of the text so that a string can be handed
// across the library boundary as a bare pointer.
using TLengthPrefix = std::uint32_t;
constexpr std::size_t kPrefixSize = sizeof(TLengthPrefix);
constexpr std::uint32_t kMaxLength = (UINT32_MAX - kPrefixSize) / sizeof(TOleChar) - 1;

TLengthPrefix* PrefixOf(const TOleChar* text) noexcept {
  return reinterpret_cast<TLengthPrefix*>(reinterpret_cast<char*>(const_cast<TOleChar*>(text)) -
                                          kPrefixSize);
}

}  // namespace

TBstr SysAllocStringLen(const TOleChar* text, std::uint32_t length) noexcept {
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(TOleChar);
  void* block = std::malloc(kPrefixSize + bytes + sizeof(TOleChar));
  if (block == nullptr) return nullptr;
  auto* prefix = static_cast<TLengthPrefix*>(block);
  *prefix = static_cast<TLengthPrefix>(bytes);
  auto* units = reinterpret_cast<TOleChar*>(static_cast<char*>(block) + kPrefixSize);
  if (text != nullptr) {
    std::memcpy(units, text, bytes);
  } else {
    std::memset(units, 0, bytes);
  }
  units[length] = u'\0';
  return units;
}

std::uint32_t SysStringLen(const TOleChar* text) noexcept {
  if (text == nullptr) return 0;
  return *PrefixOf(text) / sizeof(TOleChar);
}

void SysFreeString(TBstr text) noexcept {
  if (text == nullptr) return;
  std::free(PrefixOf(text));
}

}  // namespace platform
