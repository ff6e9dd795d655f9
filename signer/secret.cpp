#include "signer/secret.h"

#include <string.h>

namespace tavrin {

void Secret::Append(std::string_view text) {
  if (text_.capacity() < kCapacity) text_.reserve(kCapacity);
  const std::size_t room = text_.capacity() - text_.size();
  text_.append(text.substr(0, room));
}

void Secret::Wipe() noexcept {
  if (!text_.empty()) ::explicit_bzero(text_.data(), text_.size());
  text_.clear();
}

}  // namespace tavrin
