#include "channel/decode_param.h"

#include <cstdint>

#include "platform/code_page.h"

namespace {

bool IsContinuation(unsigned char b) noexcept { return b >= 0x80 && b <= 0xBF; }

// Decodes a four-byte sequence at bytes[i] into out; false when there is none.
bool DecodeFourBytes(std::string_view bytes, std::size_t i, std::u16string& out) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  if (b0 < 0xF0 || b0 > 0xF4 || bytes.size() - i < 4) return false;
  const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
  const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
  const auto b3 = static_cast<unsigned char>(bytes[i + 3]);
  if (!IsContinuation(b1) || !IsContinuation(b2) || !IsContinuation(b3)) return false;
  const std::uint32_t cp = (std::uint32_t{b0} & 0x07) << 18 | (std::uint32_t{b1} & 0x3F) << 12 |
                           (std::uint32_t{b2} & 0x3F) << 6 | (std::uint32_t{b3} & 0x3F);
  if (cp < 0x10000 || cp > 0x10FFFF) return false;
  const std::uint32_t v = cp - 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
  return true;
}

}  // namespace

std::u16string DecodeUtf8Param(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
    } else if (DecodeFourBytes(bytes, i, out)) {
      i += 4;
    } else if ((b0 & 0x20) == 0) {
      // 0x80-0xDF: two bytes, a stray continuation byte as lead included.
      if (bytes.size() - i < 2) return {};
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      if (!IsContinuation(b1)) return {};
      out.push_back(static_cast<char16_t>((b0 & 0x1F) << 6 | (b1 & 0x3F)));
      i += 2;
    } else {
      if (bytes.size() - i < 3) return {};
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
      if (!IsContinuation(b1) || !IsContinuation(b2)) return {};
      out.push_back(static_cast<char16_t>((b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F)));
      i += 3;
    }
  }
  return out;
}

std::u16string DecodeParam(std::u16string_view text) {
  return DecodeUtf8Param(WideToThreadAnsi(text));
}
