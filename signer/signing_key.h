#pragma once
// One certificate with its private key, wherever the key lives (a token, a PKCS#12 file).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "signer/consent.h"
#include "signer/openssl_types.h"
#include "signer/status.h"

namespace tavrin {

// What the person is asked about, and whether the last PIN for this key was refused.
struct UnlockContext {
  const SigningSubject& subject;
  bool previousAttemptWrong = false;
};

class SigningKey {
 public:
  virtual ~SigningKey() = default;

  // Gets the person's consent and opens the key: a PIN, a password or a confirmation.
  virtual Outcome Unlock(Consent& consent, const UnlockContext& context) = 0;
  // The signature value over `toBeSigned` with the digest `md`: PKCS#1 v1.5 for RSA, ECDSA
  // (DER) for EC keys. Only after Unlock succeeded.
  virtual Outcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) = 0;
  // The signing certificate and the others of its chain that came with it. Known once
  // unlocked; before that, where the store shows it.
  virtual X509* Certificate() const noexcept = 0;
  virtual const Certificates& Companions() const noexcept = 0;
};

struct Candidate {
  CertificateSummary summary;
  std::string identity;  // the certificate's SHA-256, or the key file's path while it is locked
  std::unique_ptr<SigningKey> key;
};

// Certificates that cannot sign, counted by reason for the sentence that explains their absence.
struct Unusable {
  std::vector<std::string> expiredOn;      // notAfter dates
  std::vector<std::string> notValidUntil;  // notBefore dates
  int withoutSigningUsage = 0;
};

}  // namespace tavrin
