#include "signer/token_modules.h"

#include <p11-kit/p11-kit.h>

namespace tavrin {

// The library calls each module from one thread at a time, and says so with no initialisation
// arguments: a module then takes no locks of its own. With locks, OpenSC deadlocked in C_Login
// when the card was pulled out in the middle of it, and the host with it.
TTokenModules::TTokenModules() : FLoaded(LoadTokenModules()) {
  if (FLoaded == nullptr) return;
  for (CK_FUNCTION_LIST** it = FLoaded; *it != nullptr; ++it) {
    // One module's failure (no device, a daemon that is not running) is its own.
    if ((*it)->C_Initialize(nullptr) == CKR_OK) FInitialised.push_back(*it);
  }
}

TTokenModules::~TTokenModules() {
  for (CK_FUNCTION_LIST* module : FInitialised) module->C_Finalize(nullptr);
  if (FLoaded != nullptr) p11_kit_modules_release(FLoaded);
}

}  // namespace tavrin
