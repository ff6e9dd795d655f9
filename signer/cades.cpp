#include "signer/cades.h"

#include <openssl/ess.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>

namespace tavrin {

namespace {

TOutcome Failed(const char* what) {
  return TOutcome::Fail(TStatus::SigningFailed,
                        std::string("The signature could not be made: ") + what);
}

// The DER of an ESS structure as a SEQUENCE-typed attribute value.
template <typename T, int (*Encode)(const T*, unsigned char**)>
bool AddEncodedAttribute(CMS_SignerInfo* signer, int nid, const T* value) {
  unsigned char* der = nullptr;
  const int length = Encode(value, &der);
  if (length <= 0) return false;
  const bool added = CMS_signed_add1_attr_by_NID(signer, nid, V_ASN1_SEQUENCE, der, length) == 1;
  OPENSSL_free(der);
  return added;
}

bool AddSigningCertificate(CMS_SignerInfo* signer, const EVP_MD* md, X509* certificate) {
  if (EVP_MD_is_a(md, "SHA1")) {
    std::unique_ptr<ESS_SIGNING_CERT, decltype(&ESS_SIGNING_CERT_free)> value(
        OSSL_ESS_signing_cert_new_init(certificate, nullptr, 1), ESS_SIGNING_CERT_free);
    return value && AddEncodedAttribute<ESS_SIGNING_CERT, i2d_ESS_SIGNING_CERT>(
                        signer, NID_id_smime_aa_signingCertificate, value.get());
  }
  std::unique_ptr<ESS_SIGNING_CERT_V2, decltype(&ESS_SIGNING_CERT_V2_free)> value(
      OSSL_ESS_signing_cert_v2_new_init(md, certificate, nullptr, 1), ESS_SIGNING_CERT_V2_free);
  return value && AddEncodedAttribute<ESS_SIGNING_CERT_V2, i2d_ESS_SIGNING_CERT_V2>(
                      signer, NID_id_smime_aa_signingCertificateV2, value.get());
}

bool AddAttributes(CMS_SignerInfo* signer, const TCadesRequest& request, X509* certificate) {
  if (CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_contentType, V_ASN1_OBJECT,
                                  OBJ_nid2obj(NID_pkcs7_data), -1) != 1) {
    return false;
  }
  std::unique_ptr<ASN1_TIME, decltype(&ASN1_TIME_free)> now(X509_gmtime_adj(nullptr, 0),
                                                            ASN1_TIME_free);
  if (!now ||
      CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_signingTime, now->type, now.get(), -1) != 1) {
    return false;
  }
  if (CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_messageDigest, V_ASN1_OCTET_STRING,
                                  request.ContentDigest.data(),
                                  static_cast<int>(request.ContentDigest.size())) != 1) {
    return false;
  }
  return AddSigningCertificate(signer, request.CertificateDigest, certificate);
}

// What the signature covers: the signed attributes as a DER SET, sorted as DER requires (the
// same order the SignedData's encoding gives them).
std::string SignedAttributesDer(CMS_SignerInfo* signer) {
  STACK_OF(X509_ATTRIBUTE)* attributes = sk_X509_ATTRIBUTE_new_null();
  if (attributes == nullptr) return {};
  for (int i = 0; i < CMS_signed_get_attr_count(signer); ++i) {
    sk_X509_ATTRIBUTE_push(attributes, CMS_signed_get_attr(signer, i));
  }
  unsigned char* der = nullptr;
  const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(attributes), &der,
                                   ASN1_ITEM_rptr(PKCS7_ATTR_SIGN));
  sk_X509_ATTRIBUTE_free(attributes);  // the attributes stay the signer's
  std::string bytes;
  if (length > 0) bytes.assign(reinterpret_cast<char*>(der), static_cast<std::size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

}  // namespace

TOutcome BuildDetachedCades(const TCadesRequest& request, std::string& der) {
  X509* certificate = request.Key.Certificate();
  constexpr unsigned kFlags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP;
  TCmsPtr cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, kFlags));
  if (!cms) return Failed("no SignedData");
  // The signer info is laid out with the certificate's public key; the private key is the
  // key's own business and signs below.
  CMS_SignerInfo* signer = CMS_add1_signer(cms.get(), certificate, X509_get0_pubkey(certificate),
                                           request.Digest, kFlags);
  if (signer == nullptr) return Failed("the certificate's key type is not supported");
  for (const TX509Ptr& companion : request.Key.Companions()) {
    if (X509_cmp(companion.get(), certificate) != 0 &&
        CMS_add1_cert(cms.get(), companion.get()) != 1) {
      return Failed("a certificate of the chain could not be added");
    }
  }
  if (!AddAttributes(signer, request, certificate)) {
    return Failed("the signed attributes could not be made");
  }
  const std::string toBeSigned = SignedAttributesDer(signer);
  if (toBeSigned.empty()) return Failed("the signed attributes could not be encoded");
  std::string signature;
  TOutcome signedOutcome = request.Key.Sign(request.Digest, toBeSigned, signature);
  if (!signedOutcome.Succeeded()) return signedOutcome;
  if (ASN1_STRING_set(CMS_SignerInfo_get0_signature(signer), signature.data(),
                      static_cast<int>(signature.size())) != 1) {
    return Failed("out of memory");
  }
  unsigned char* out = nullptr;
  const int length = i2d_CMS_ContentInfo(cms.get(), &out);
  if (length <= 0) return Failed("the SignedData could not be encoded");
  der.assign(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
  OPENSSL_free(out);
  return TOutcome::Ok();
}

}  // namespace tavrin
