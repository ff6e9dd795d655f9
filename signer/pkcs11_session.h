#pragma once
// One PKCS#11 session and the calls this library makes in it, with results it can explain.

#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

namespace tavrin {

// Codes that mean the token is no longer there to answer.
bool TokenWentAway(CK_RV rv) noexcept;
// "0xA0": how a PKCS#11 code appears in a sentence.
std::string Code(CK_RV rv);

// PKCS#11 wants non-const pointers in its templates.
inline CK_ATTRIBUTE Attr(CK_ATTRIBUTE_TYPE type, void* value, std::size_t length) {
  return {type, value, static_cast<CK_ULONG>(length)};
}

class TSession {
 public:
  TSession(CK_FUNCTION_LIST* module, CK_SLOT_ID slot);
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  CK_RV OpenResult() const noexcept { return FResult; }
  CK_SESSION_HANDLE Handle() const noexcept { return FHandle; }

  // The handles of the objects that match, as many as there are.
  std::vector<CK_OBJECT_HANDLE> Find(std::vector<CK_ATTRIBUTE> pattern) const;
  // The attribute's bytes; empty where the object has none or hides it.
  std::string Attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) const;

 private:
  CK_FUNCTION_LIST* FModule;
  CK_SESSION_HANDLE FHandle = CK_INVALID_HANDLE;
  CK_RV FResult = CKR_GENERAL_ERROR;
};

}  // namespace tavrin
