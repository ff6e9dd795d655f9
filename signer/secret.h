#pragma once
// A PIN or password: held in one place, never copied, wiped when it goes, and kept in memory
// that core dumps leave out (OpenSSL's secure heap: MADV_DONTDUMP and, where allowed, mlock).

#include <cstddef>
#include <string_view>

namespace tavrin {

// Starts OpenSSL's secure heap once per process, so that Secrets and the private keys OpenSSL
// decrypts (their big numbers are allocated there) stay out of core dumps.
void EnsureSecureHeap() noexcept;

class Secret {
 public:
  // Longer than any PIN or password we accept; a longer one is not cut but refused (Overlong).
  static constexpr std::size_t kCapacity = 256;

  Secret() = default;
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  ~Secret();

  // Appends without letting the buffer move: it is allocated once, in full. What does not fit
  // is dropped and marks the secret as overlong.
  void Append(std::string_view text);
  void Wipe() noexcept;

  // The text, followed by a zero byte in the buffer.
  std::string_view View() const noexcept { return {data_ != nullptr ? data_ : "", size_}; }
  bool Empty() const noexcept { return size_ == 0; }
  bool Overlong() const noexcept { return overlong_; }

 private:
  char* data_ = nullptr;  // kCapacity + 1 bytes from the secure heap
  std::size_t size_ = 0;
  bool overlong_ = false;
};

}  // namespace tavrin
