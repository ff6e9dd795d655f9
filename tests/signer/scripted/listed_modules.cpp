// The test build's modules: those named in FEROLANT_TEST_PKCS11_MODULES (paths separated by
// ':'), and never what the machine has registered with p11-kit. One that does not load is left
// out, as p11-kit leaves out a registered module that does not load.
#include <p11-kit/p11-kit.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "signer/token_modules.h"

namespace tavrin {

CK_FUNCTION_LIST** LoadTokenModules() {
  const char* listed = std::getenv("FEROLANT_TEST_PKCS11_MODULES");
  std::vector<CK_FUNCTION_LIST*> modules;
  std::istringstream paths(listed != nullptr ? listed : "");
  for (std::string path; std::getline(paths, path, ':');) {
    if (CK_FUNCTION_LIST* module = p11_kit_module_load(path.c_str(), P11_KIT_MODULE_UNMANAGED))
      modules.push_back(module);
  }
  if (modules.empty()) return nullptr;
  // p11_kit_modules_release frees the array itself.
  auto** array =
      static_cast<CK_FUNCTION_LIST**>(std::calloc(modules.size() + 1, sizeof(CK_FUNCTION_LIST*)));
  for (std::size_t i = 0; i < modules.size(); ++i) array[i] = modules[i];
  return array;
}

}  // namespace tavrin
