#include "signer/secret.h"

#include <openssl/crypto.h>

#include <cstring>
#include <mutex>

namespace tavrin {

namespace {

// A few hundred secrets and the keys of a signature; the heap cannot grow later.
constexpr std::size_t kSecureHeapBytes = 1 << 16;
constexpr std::size_t kSecureHeapMinimum = 32;

}  // namespace

void EnsureSecureHeap() noexcept {
  static std::once_flag started;
  std::call_once(started, [] {
    if (CRYPTO_secure_malloc_initialized() == 0) {
      CRYPTO_secure_malloc_init(kSecureHeapBytes, kSecureHeapMinimum);
    }
  });
}

Secret::~Secret() {
  Wipe();
  if (data_ != nullptr) OPENSSL_secure_clear_free(data_, kCapacity + 1);
}

void Secret::Append(std::string_view text) {
  if (data_ == nullptr) {
    EnsureSecureHeap();
    data_ = static_cast<char*>(OPENSSL_secure_zalloc(kCapacity + 1));
    if (data_ == nullptr) {
      overlong_ = true;  // nothing could be kept: never an answer
      return;
    }
  }
  const std::size_t room = kCapacity - size_;
  if (text.size() > room) overlong_ = true;
  const std::size_t taken = text.size() < room ? text.size() : room;
  std::memcpy(data_ + size_, text.data(), taken);
  size_ += taken;
  data_[size_] = '\0';
}

void Secret::Wipe() noexcept {
  if (data_ != nullptr) OPENSSL_cleanse(data_, kCapacity + 1);
  size_ = 0;
  overlong_ = false;
}

}  // namespace tavrin
