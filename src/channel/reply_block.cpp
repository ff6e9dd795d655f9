#include "channel/reply_block.h"

#include <algorithm>

#include "json/json_escape.h"

std::size_t BlockUnits(std::u16string_view data, std::size_t maxUnits,
                       std::size_t budget) noexcept {
  const std::size_t limit = std::min(maxUnits, data.size());
  // Every unit takes at most six bytes: a prefix that surely fits needs no count.
  if (limit <= budget / 6) return limit;
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < limit) {
    // Runs of units that go out as they are, one byte each, counted in bulk.
    const std::size_t plain =
        std::min(PlainEscapedLength(data.substr(i, limit - i)), budget - used);
    i += plain;
    used += plain;
    if (i == limit) break;
    used += EscapedSize(data[i]);
    if (used > budget) return i;
    ++i;
  }
  return limit;
}
