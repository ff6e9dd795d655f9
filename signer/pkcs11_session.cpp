#include "signer/pkcs11_session.h"

#include <cstdio>

namespace tavrin {

bool TokenWentAway(CK_RV rv) noexcept {
  switch (rv) {
    case CKR_DEVICE_REMOVED:
    case CKR_TOKEN_NOT_PRESENT:
    case CKR_TOKEN_NOT_RECOGNIZED:
    case CKR_DEVICE_ERROR:
    case CKR_SLOT_ID_INVALID:
    case CKR_SESSION_HANDLE_INVALID:
    case CKR_SESSION_CLOSED:
    case CKR_KEY_HANDLE_INVALID:
    case CKR_OBJECT_HANDLE_INVALID:
    case CKR_GENERAL_ERROR:
      return true;
    default:
      return false;
  }
}

std::string Code(CK_RV rv) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(rv));
  return text;
}

TSession::TSession(CK_FUNCTION_LIST* module, CK_SLOT_ID slot) : FModule(module) {
  FResult = module->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &FHandle);
}

TSession::~TSession() {
  if (FResult == CKR_OK) FModule->C_CloseSession(FHandle);
}

std::vector<CK_OBJECT_HANDLE> TSession::Find(std::vector<CK_ATTRIBUTE> pattern) const {
  std::vector<CK_OBJECT_HANDLE> found;
  if (FModule->C_FindObjectsInit(FHandle, pattern.data(), pattern.size()) != CKR_OK) return found;
  CK_OBJECT_HANDLE batch[32];
  CK_ULONG count = 0;
  while (FModule->C_FindObjects(FHandle, batch, 32, &count) == CKR_OK && count > 0) {
    found.insert(found.end(), batch, batch + count);
  }
  FModule->C_FindObjectsFinal(FHandle);
  return found;
}

std::string TSession::Attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) const {
  CK_ATTRIBUTE attribute{type, nullptr, 0};
  if (FModule->C_GetAttributeValue(FHandle, object, &attribute, 1) != CKR_OK ||
      attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION) {
    return {};
  }
  std::string value(attribute.ulValueLen, '\0');
  attribute.pValue = value.data();
  if (FModule->C_GetAttributeValue(FHandle, object, &attribute, 1) != CKR_OK) return {};
  value.resize(attribute.ulValueLen);
  return value;
}

}  // namespace tavrin
