#include "signer/certificate_check.h"

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <map>

namespace tavrin {

namespace {

std::string Date(const ASN1_TIME* time) {
  std::tm parts{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return "?";
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday);
  return text;
}

std::string NameOf(const X509_NAME* name) {
  if (name == nullptr) return {};
  const int at = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
  if (at >= 0) {
    unsigned char* utf8 = nullptr;
    const int length =
        ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at)));
    if (length >= 0) {
      std::string text(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length));
      OPENSSL_free(utf8);
      return text;
    }
  }
  char* line = X509_NAME_oneline(name, nullptr, 0);
  std::string text = line != nullptr ? line : "";
  OPENSSL_free(line);
  return text;
}

std::string Hex(const unsigned char* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// "1 expired on 2026-01-01" or "2 expired (on 2026-01-01, 2026-02-01)".
std::string Counted(const std::vector<std::string>& dates, const char* what) {
  std::string text = std::to_string(dates.size()) + " " + what;
  if (dates.size() == 1) return text + " " + dates.front();
  text += " (";
  for (std::size_t i = 0; i < dates.size(); ++i) text += (i ? ", " : "") + dates[i];
  return text + ")";
}

}  // namespace

TCertificateSummary Summarize(const X509* certificate, std::string keyLocation) {
  return {NameOf(X509_get_subject_name(certificate)), NameOf(X509_get_issuer_name(certificate)),
          Date(X509_get0_notBefore(certificate)), Date(X509_get0_notAfter(certificate)),
          std::move(keyLocation)};
}

std::string Identity(const X509* certificate) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
  return Hex(digest, length);
}

std::string SerialHex(const X509* certificate) {
  BIGNUM* number = ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate), nullptr);
  if (number == nullptr) return {};
  char* hex = BN_bn2hex(number);
  std::string text = hex != nullptr ? hex : "";
  OPENSSL_free(hex);
  BN_free(number);
  return text;
}

bool CanSign(const X509* certificate, TUnusable& unusable) {
  X509* mutableCertificate = const_cast<X509*>(certificate);  // the extension cache is filled
  if (X509_cmp_current_time(X509_get0_notAfter(certificate)) < 0) {
    unusable.ExpiredOn.push_back(Date(X509_get0_notAfter(certificate)));
    return false;
  }
  if (X509_cmp_current_time(X509_get0_notBefore(certificate)) > 0) {
    unusable.NotValidUntil.push_back(Date(X509_get0_notBefore(certificate)));
    return false;
  }
  const bool hasUsage = (X509_get_extension_flags(mutableCertificate) & EXFLAG_KUSAGE) != 0;
  if (hasUsage &&
      (X509_get_key_usage(mutableCertificate) & (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION)) == 0) {
    ++unusable.WithoutSigningUsage;
    return false;
  }
  return true;
}

std::optional<std::string> ExplainUnusable(const TUnusable& unusable) {
  std::vector<std::string> parts;
  if (!unusable.ExpiredOn.empty()) parts.push_back(Counted(unusable.ExpiredOn, "expired on"));
  if (!unusable.NotValidUntil.empty()) {
    parts.push_back(Counted(unusable.NotValidUntil, "not valid before"));
  }
  if (unusable.WithoutSigningUsage > 0) {
    parts.push_back(std::to_string(unusable.WithoutSigningUsage) +
                    " not meant for signing (no digitalSignature or nonRepudiation key usage)");
  }
  if (parts.empty()) return std::nullopt;
  std::string text = "No certificate that can sign: ";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + parts[i];
  return text;
}

}  // namespace tavrin

namespace tavrin {

TCertificates ChainFrom(X509* leaf, const std::vector<X509*>& pool) {
  constexpr std::size_t kLongestChain = 10;
  TCertificates chain;
  X509* current = leaf;
  while (chain.size() < kLongestChain && X509_check_issued(current, current) != X509_V_OK) {
    X509* issuer = nullptr;
    for (X509* other : pool) {
      if (X509_cmp(other, current) != 0 && X509_check_issued(other, current) == X509_V_OK) {
        issuer = other;
        break;
      }
    }
    if (issuer == nullptr) break;
    chain.push_back(Share(issuer));
    current = issuer;
  }
  return chain;
}

}  // namespace tavrin
