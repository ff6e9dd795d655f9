#include "channel/reply_block.h"

#include <algorithm>

std::size_t BlockUnits(std::u16string_view data, std::size_t maxUnits,
                       std::size_t budget) noexcept {
  const std::size_t limit = std::min(maxUnits, data.size());
  // Every unit takes at most six bytes: a prefix that surely fits needs no count.
  if (limit <= budget / 6) return limit;
  std::size_t used = 0;
  for (std::size_t i = 0; i < limit; ++i) {
    used += EscapedSize(data[i]);
    if (used > budget) return i;
  }
  return limit;
}
