/* A PKCS#11 module for the dialog tests: the SoftHSM2 module named by FEROLANT_TEST_REAL_MODULE,
 * with every session it opens already logged in, as when another program has logged in to the
 * token before. The signer must then ask for a confirmation instead of a PIN. Test use only: it
 * knows the test token's throwaway PIN. */
#include <dlfcn.h>
#include <stdlib.h>

#include <p11-kit/pkcs11.h>

static CK_FUNCTION_LIST_PTR real;
static CK_FUNCTION_LIST wrapped;

static CK_RV OpenSessionLoggedIn(CK_SLOT_ID slot, CK_FLAGS flags, void* application,
                                 CK_NOTIFY notify, CK_SESSION_HANDLE_PTR session) {
  CK_RV rv = real->C_OpenSession(slot, flags, application, notify, session);
  if (rv == CKR_OK) real->C_Login(*session, CKU_USER, (CK_UTF8CHAR_PTR) "1234", 4);
  return rv;
}

CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  const char* path = getenv("FEROLANT_TEST_REAL_MODULE");
  void* module = path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : NULL;
  CK_C_GetFunctionList get = module ? (CK_C_GetFunctionList)dlsym(module, "C_GetFunctionList")
                                    : NULL;
  if (get == NULL || get(&real) != CKR_OK) return CKR_GENERAL_ERROR;
  wrapped = *real;
  wrapped.C_OpenSession = OpenSessionLoggedIn;
  *list = &wrapped;
  return CKR_OK;
}
