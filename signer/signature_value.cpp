#include "signer/signature_value.h"

#include <openssl/ec.h>
#include <openssl/x509.h>

namespace tavrin {

bool EcdsaDer(const std::string& raw, std::string& der) {
  if (raw.empty() || raw.size() % 2 != 0) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
  const int half = static_cast<int>(raw.size() / 2);
  ECDSA_SIG* value = ECDSA_SIG_new();
  BIGNUM* r = BN_bin2bn(bytes, half, nullptr);
  BIGNUM* s = BN_bin2bn(bytes + half, half, nullptr);
  if (value == nullptr || r == nullptr || s == nullptr || ECDSA_SIG_set0(value, r, s) != 1) {
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(value);
    return false;
  }
  unsigned char* out = nullptr;
  const int length = i2d_ECDSA_SIG(value, &out);
  ECDSA_SIG_free(value);
  if (length <= 0) return false;
  der.assign(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
  OPENSSL_free(out);
  return true;
}

bool DigestInfo(const EVP_MD* md, const std::string& digest, std::string& der) {
  X509_SIG* info = X509_SIG_new();
  if (info == nullptr) return false;
  X509_ALGOR* algorithm = nullptr;
  ASN1_OCTET_STRING* value = nullptr;
  X509_SIG_getm(info, &algorithm, &value);
  unsigned char* out = nullptr;
  int length = 0;
  if (X509_ALGOR_set0(algorithm, OBJ_nid2obj(EVP_MD_get_type(md)), V_ASN1_NULL, nullptr) == 1 &&
      ASN1_OCTET_STRING_set(value, reinterpret_cast<const unsigned char*>(digest.data()),
                            static_cast<int>(digest.size())) == 1) {
    length = i2d_X509_SIG(info, &out);
  }
  X509_SIG_free(info);
  if (length <= 0) return false;
  der.assign(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
  OPENSSL_free(out);
  return true;
}

}  // namespace tavrin
