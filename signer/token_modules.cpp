#include "signer/token_modules.h"

#include <p11-kit/p11-kit.h>

namespace tavrin {

// The library calls each module from one thread at a time, and says so with no initialisation
// arguments: a module then takes no locks of its own. With locks, OpenSC deadlocked in C_Login
// when the card was pulled out in the middle of it, and the host with it.
TokenModules::TokenModules() : loaded_(LoadTokenModules()) {
  if (loaded_ == nullptr) return;
  for (CK_FUNCTION_LIST** it = loaded_; *it != nullptr; ++it) {
    // One module's failure (no device, a daemon that is not running) is its own.
    if ((*it)->C_Initialize(nullptr) == CKR_OK) initialised_.push_back(*it);
  }
}

TokenModules::~TokenModules() {
  for (CK_FUNCTION_LIST* module : initialised_) module->C_Finalize(nullptr);
  if (loaded_ != nullptr) p11_kit_modules_release(loaded_);
}

}  // namespace tavrin
