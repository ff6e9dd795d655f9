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
struct OpenSslDeleter {
  void operator()(T* object) const noexcept { Free(object); }
};
template <typename T, void (*Free)(T*)>
using OpenSslPtr = std::unique_ptr<T, OpenSslDeleter<T, Free>>;

using X509Ptr = OpenSslPtr<X509, X509_free>;
using EvpPkeyPtr = OpenSslPtr<EVP_PKEY, EVP_PKEY_free>;
using EvpMdCtxPtr = OpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using CmsPtr = OpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;
using Pkcs12Ptr = OpenSslPtr<PKCS12, PKCS12_free>;

inline X509Ptr Share(X509* certificate) {
  X509_up_ref(certificate);
  return X509Ptr(certificate);
}

using Certificates = std::vector<X509Ptr>;

}  // namespace tavrin
