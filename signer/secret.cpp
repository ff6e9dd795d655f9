#include "secret.h"

#include <openssl/crypto.h>

namespace tavrin {

void Secret::Append(std::string_view text) {
  if (text_.capacity() < kCapacity) text_.reserve(kCapacity);
  // Never past the reserved buffer: growing would leave a copy behind in freed memory.
  const std::size_t room = kCapacity - text_.size();
  text_.append(text.substr(0, room));
}

void Secret::Wipe() noexcept {
  if (text_.capacity() != 0) OPENSSL_cleanse(text_.data(), text_.capacity());
  text_.clear();
}

}  // namespace tavrin
