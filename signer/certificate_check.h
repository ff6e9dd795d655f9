#pragma once
// Which certificates may sign, and how they are shown to a person.

#include <optional>
#include <string>

#include <openssl/x509.h>

#include "signer/consent.h"
#include "signer/signing_key.h"

namespace tavrin {

TCertificateSummary Summarize(const X509* certificate, std::string keyLocation);
// Upper-case hex of the certificate's SHA-256: tells certificates apart across calls.
std::string Identity(const X509* certificate);
std::string SerialHex(const X509* certificate);

// True when it may sign now; otherwise counts the reason in `unusable`.
bool CanSign(const X509* certificate, TUnusable& unusable);
// "No certificate that can sign: 1 expired on 2026-01-01, ..."; nullopt when nothing was set aside.
std::optional<std::string> ExplainUnusable(const TUnusable& unusable);

}  // namespace tavrin

namespace tavrin {

// The certificates from `pool` that lead from `leaf` up to its root, issuer by issuer, as far
// as the pool goes. The leaf itself is not among them.
TCertificates ChainFrom(X509* leaf, const std::vector<X509*>& pool);

}  // namespace tavrin
