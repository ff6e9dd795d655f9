// The shipped library signs with every module registered with p11-kit.
#include <p11-kit/p11-kit.h>

#include "signer/token_modules.h"

namespace tavrin {

CK_FUNCTION_LIST** LoadTokenModules() {
  return p11_kit_modules_load(nullptr, P11_KIT_MODULE_UNMANAGED);
}

}  // namespace tavrin
