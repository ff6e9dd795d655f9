/* A PKCS#11 module that cannot sign, for the signer's tests: built with BROKEN_AT_INIT its
 * C_Initialize fails (as a module for a missing device or daemon does); built without, it
 * initialises and then fails every call about slots and tokens. */
#include <string.h>

#include <p11-kit/pkcs11.h>

static CK_RV Initialize(CK_VOID_PTR args) {
  (void)args;
#ifdef BROKEN_AT_INIT
  return CKR_DEVICE_ERROR;
#else
  return CKR_OK;
#endif
}

static CK_RV Finalize(CK_VOID_PTR reserved) {
  (void)reserved;
  return CKR_OK;
}

static CK_RV GetInfo(CK_INFO_PTR info) {
  memset(info, ' ', sizeof *info);
  info->cryptokiVersion.major = 2;
  info->cryptokiVersion.minor = 40;
  info->flags = 0;
  return CKR_OK;
}

static CK_RV GetSlotList(CK_BBOOL present, CK_SLOT_ID_PTR slots, CK_ULONG_PTR count) {
  (void)present;
  (void)slots;
  (void)count;
  return CKR_DEVICE_ERROR;
}

static CK_RV GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info) {
  (void)slot;
  (void)info;
  return CKR_DEVICE_ERROR;
}

static CK_RV GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info) {
  (void)slot;
  (void)info;
  return CKR_DEVICE_ERROR;
}

static CK_FUNCTION_LIST functions = {
    .version = {2, 40},
    .C_Initialize = Initialize,
    .C_Finalize = Finalize,
    .C_GetInfo = GetInfo,
    .C_GetSlotList = GetSlotList,
    .C_GetSlotInfo = GetSlotInfo,
    .C_GetTokenInfo = GetTokenInfo,
};

CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  *list = &functions;
  return CKR_OK;
}
