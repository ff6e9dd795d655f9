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
struct TUnlockContext {
  const TSigningSubject& Subject;
  bool PreviousAttemptWrong = false;
};

class ISigningKey {
 public:
  virtual ~ISigningKey() = default;

  // Gets the person's consent and opens the key: a PIN, a password or a confirmation.
  virtual TOutcome Unlock(IConsent& consent, const TUnlockContext& context) = 0;
  // The signature value over `toBeSigned` with the digest `md`: PKCS#1 v1.5 for RSA, ECDSA
  // (DER) for EC keys. Only after Unlock succeeded.
  virtual TOutcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) = 0;
  // The signing certificate and the others of its chain that came with it. Known once
  // unlocked; before that, where the store shows it.
  virtual X509* Certificate() const noexcept = 0;
  virtual const TCertificates& Companions() const noexcept = 0;
};

struct TCandidate {
  TCertificateSummary Summary;
  std::string Identity;  // the certificate's SHA-256, or the key file's path while it is locked
  std::unique_ptr<ISigningKey> Key;
};

// Certificates that cannot sign, counted by reason for the sentence that explains their absence.
struct TUnusable {
  std::vector<std::string> ExpiredOn;      // notAfter dates
  std::vector<std::string> NotValidUntil;  // notBefore dates
  int WithoutSigningUsage = 0;
};

}  // namespace tavrin
