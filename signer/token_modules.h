#pragma once
// The PKCS#11 modules a signature may use, each initialised on its own: one that cannot load,
// fails to initialise or has no token is left out, and the others still sign.

#include <p11-kit/pkcs11.h>

#include <vector>

namespace tavrin {

// The modules to try, loaded unmanaged and not yet initialised, as a null-terminated array for
// p11_kit_modules_release; null when there are none. The shipped library takes the modules
// registered with p11-kit; only the test build of the library links another list in its place.
CK_FUNCTION_LIST** LoadTokenModules();

class TTokenModules {
 public:
  TTokenModules();
  ~TTokenModules();
  TTokenModules(const TTokenModules&) = delete;
  TTokenModules& operator=(const TTokenModules&) = delete;

  // Those that initialised.
  const std::vector<CK_FUNCTION_LIST*>& Initialised() const noexcept { return FInitialised; }

 private:
  CK_FUNCTION_LIST** FLoaded;
  std::vector<CK_FUNCTION_LIST*> FInitialised;
};

}  // namespace tavrin
