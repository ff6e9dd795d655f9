#pragma once
// A detached CAdES-BES SignedData: contentType, signingTime, messageDigest and the signing
// certificate's hash in signed attributes; the signature value made by the key's own Sign.

#include <string>
#include <string_view>

#include <openssl/evp.h>

#include "signer/signing_key.h"
#include "signer/status.h"

namespace tavrin {

struct CadesRequest {
  SigningKey& key;
  const EVP_MD* digest;             // of the content and of the signed attributes
  const EVP_MD* certificateDigest;  // SHA-1 gives the v1 signingCertificate attribute
  std::string_view contentDigest;   // the content's digest, made with `digest`
};

// The SignedData in DER.
Outcome BuildDetachedCades(const CadesRequest& request, std::string& der);

}  // namespace tavrin
