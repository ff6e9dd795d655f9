#pragma once
// OpenSSL's objects with their free functions, so that every one has an owner.

#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <memory>
#include <vector>

namespace tavrin {

template <typename T, void (*Free)(T*)>
struct TOpenSslDeleter {
  void operator()(T* object) const noexcept { Free(object); }
};
template <typename T, void (*Free)(T*)>
using TOpenSslPtr = std::unique_ptr<T, TOpenSslDeleter<T, Free>>;

using TX509Ptr = TOpenSslPtr<X509, X509_free>;
using TEvpPkeyPtr = TOpenSslPtr<EVP_PKEY, EVP_PKEY_free>;
using TEvpMdCtxPtr = TOpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using TCmsPtr = TOpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;
using TPkcs12Ptr = TOpenSslPtr<PKCS12, PKCS12_free>;

inline TX509Ptr Share(X509* certificate) {
  X509_up_ref(certificate);
  return TX509Ptr(certificate);
}

using TCertificates = std::vector<TX509Ptr>;

}  // namespace tavrin
