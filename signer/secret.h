#pragma once
// A PIN or password: held in one place, never copied, wiped when it goes, and kept in memory
// that core dumps leave out (OpenSSL's secure heap: MADV_DONTDUMP and, where allowed, mlock).

#include <cstddef>
#include <string_view>

namespace tavrin {

// Starts OpenSSL's secure heap once per process, so that Secrets and the private keys OpenSSL
// decrypts (their big numbers are allocated there) stay out of core dumps.
void EnsureSecureHeap() noexcept;

class TSecret {
 public:
  // Longer than any PIN or password we accept; a longer one is not cut but refused (Overlong).
  static constexpr std::size_t kCapacity = 256;

  TSecret() = default;
  TSecret(const TSecret&) = delete;
  TSecret& operator=(const TSecret&) = delete;
  ~TSecret();

  // Appends without letting the buffer move: it is allocated once, in full. What does not fit
  // is dropped and marks the secret as overlong.
  void Append(std::string_view text);
  void Wipe() noexcept;

  // The text, followed by a zero byte in the buffer.
  std::string_view View() const noexcept { return {FData != nullptr ? FData : "", FSize}; }
  bool Empty() const noexcept { return FSize == 0; }
  bool Overlong() const noexcept { return FOverlong; }

 private:
  char* FData = nullptr;  // kCapacity + 1 bytes from the secure heap
  std::size_t FSize = 0;
  bool FOverlong = false;
};

}  // namespace tavrin
