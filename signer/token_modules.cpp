#include "token_modules.h"

#include <p11-kit/p11-kit.h>

namespace tavrin {

TokenModules::TokenModules() : loaded_(LoadTokenModules()) {
  if (loaded_ == nullptr) return;
  for (CK_FUNCTION_LIST** it = loaded_; *it != nullptr; ++it) {
    // One module's failure (no device, a daemon that is not running) is its own.
    if (p11_kit_module_initialize(*it) == CKR_OK) initialised_.push_back(*it);
  }
}

TokenModules::~TokenModules() {
  for (CK_FUNCTION_LIST* module : initialised_) p11_kit_module_finalize(module);
  if (loaded_ != nullptr) p11_kit_modules_release(loaded_);
}

}  // namespace tavrin
