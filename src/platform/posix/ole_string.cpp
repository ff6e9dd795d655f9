#include "platform/ole_string.h"

#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

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

// Long library results (tens of megabytes) get memory of their own from the system, fresh
// pages that each cost a fault when first written. In large pages that is one fault for every
// two megabytes instead of every four kilobytes; smaller strings are not worth the call.
constexpr std::size_t kLargePageWorthy = 8 * 1024 * 1024;

void PreferLargePages(void* block, std::size_t bytes) noexcept {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
  const auto start = (reinterpret_cast<std::uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kLargePage - 1);
  // Only advice: where the system has no large pages the string works the same.
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

}  // namespace

TBstr SysAllocStringLen(const TOleChar* text, std::uint32_t length) noexcept {
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(TOleChar);
  const std::size_t blockSize = kPrefixSize + bytes + sizeof(TOleChar);
  // Without a text the string is zeros: calloc knows when the memory is zero already and then
  // leaves it untouched, so a string filled afterwards is written only once.
  void* block = text != nullptr ? std::malloc(blockSize) : std::calloc(1, blockSize);
  if (block == nullptr) return nullptr;
  if (blockSize >= kLargePageWorthy) PreferLargePages(block, blockSize);
  auto* prefix = static_cast<TLengthPrefix*>(block);
  *prefix = static_cast<TLengthPrefix>(bytes);
  auto* units = reinterpret_cast<TOleChar*>(static_cast<char*>(block) + kPrefixSize);
  if (text != nullptr) {
    std::memcpy(units, text, bytes);
    units[length] = u'\0';
  }
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
