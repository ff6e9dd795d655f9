#include "standin/text_digest.h"

namespace standin {

std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash) noexcept {
  constexpr std::uint64_t kPrime = 0x100000001b3ULL;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= kPrime;
  }
  return hash;
}

std::uint64_t Fnv1a64Utf16Le(std::u16string_view text, std::uint64_t hash) noexcept {
  for (char16_t unit : text) {
    const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    hash = Fnv1a64(std::string_view(bytes, 2), hash);
  }
  return hash;
}

std::string Int32LeBytes(std::int32_t number) {
  const auto bits = static_cast<std::uint32_t>(number);
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((bits >> shift) & 0xFF);
  return bytes;
}

std::string Hex64(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) hex[i] = kDigits[value & 0xF];
  return hex;
}

std::u16string WidenAscii(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace standin
