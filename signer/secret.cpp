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

TSecret::~TSecret() {
  Wipe();
  if (FData != nullptr) OPENSSL_secure_clear_free(FData, kCapacity + 1);
}

void TSecret::Append(std::string_view text) {
  if (FData == nullptr) {
    EnsureSecureHeap();
    FData = static_cast<char*>(OPENSSL_secure_zalloc(kCapacity + 1));
    if (FData == nullptr) {
      FOverlong = true;  // nothing could be kept: never an answer
      return;
    }
  }
  const std::size_t room = kCapacity - FSize;
  if (text.size() > room) FOverlong = true;
  const std::size_t taken = text.size() < room ? text.size() : room;
  std::memcpy(FData + FSize, text.data(), taken);
  FSize += taken;
  FData[FSize] = '\0';
}

void TSecret::Wipe() noexcept {
  if (FData != nullptr) OPENSSL_cleanse(FData, kCapacity + 1);
  FSize = 0;
  FOverlong = false;
}

}  // namespace tavrin
