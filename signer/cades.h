#pragma once
// A detached CAdES-BES SignedData: contentType, signingTime, messageDigest and the signing
// certificate's hash in signed attributes; the signature value made by the key's own Sign.

#include <string>
#include <string_view>

#include <openssl/evp.h>

#include "signer/signing_key.h"
#include "signer/status.h"

namespace tavrin {

struct TCadesRequest {
  ISigningKey& Key;
  const EVP_MD* Digest;             // of the content and of the signed attributes
  const EVP_MD* CertificateDigest;  // SHA-1 gives the v1 signingCertificate attribute
  std::string_view ContentDigest;   // the content's digest, made with `digest`
};

// The SignedData in DER.
TOutcome BuildDetachedCades(const TCadesRequest& request, std::string& der);

}  // namespace tavrin
