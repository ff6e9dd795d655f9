#pragma once
// Signature values between the forms PKCS#11 mechanisms take and give and those CMS carries.

#include <string>

#include <openssl/evp.h>

namespace tavrin {

// The DigestInfo that PKCS#1 v1.5 signs (CKM_RSA_PKCS adds only the padding).
bool DigestInfo(const EVP_MD* md, const std::string& digest, std::string& der);
// The ECDSA value as CMS carries it (a DER SEQUENCE of r and s) from the token's r || s.
bool EcdsaDer(const std::string& raw, std::string& der);

}  // namespace tavrin
