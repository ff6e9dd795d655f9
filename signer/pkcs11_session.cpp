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

Session::Session(CK_FUNCTION_LIST* module, CK_SLOT_ID slot) : module_(module) {
  rv_ = module->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &handle_);
}

Session::~Session() {
  if (rv_ == CKR_OK) module_->C_CloseSession(handle_);
}

std::vector<CK_OBJECT_HANDLE> Session::Find(std::vector<CK_ATTRIBUTE> pattern) const {
  std::vector<CK_OBJECT_HANDLE> found;
  if (module_->C_FindObjectsInit(handle_, pattern.data(), pattern.size()) != CKR_OK) return found;
  CK_OBJECT_HANDLE batch[32];
  CK_ULONG count = 0;
  while (module_->C_FindObjects(handle_, batch, 32, &count) == CKR_OK && count > 0) {
    found.insert(found.end(), batch, batch + count);
  }
  module_->C_FindObjectsFinal(handle_);
  return found;
}

std::string Session::Attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) const {
  CK_ATTRIBUTE attribute{type, nullptr, 0};
  if (module_->C_GetAttributeValue(handle_, object, &attribute, 1) != CKR_OK ||
      attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION) {
    return {};
  }
  std::string value(attribute.ulValueLen, '\0');
  attribute.pValue = value.data();
  if (module_->C_GetAttributeValue(handle_, object, &attribute, 1) != CKR_OK) return {};
  value.resize(attribute.ulValueLen);
  return value;
}

}  // namespace tavrin
