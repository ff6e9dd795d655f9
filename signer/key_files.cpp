// PKCS#12 files in the key folder. Their certificates are shown before the password where the
// file keeps them unencrypted; otherwise the file is offered by its name and its certificate is
// checked once the password opened it.
#include <openssl/pkcs12.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "certificate_check.h"
#include "key_inventory.h"

namespace tavrin {

namespace {

Pkcs12Ptr ReadPkcs12(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  return Pkcs12Ptr(d2i_PKCS12(nullptr, &data, static_cast<long>(bytes.size())));
}

// The certificate that the file keeps unencrypted next to its key (the bag that carries a
// local key id), or null.
X509Ptr VisibleCertificate(PKCS12* p12) {
  X509Ptr found;
  STACK_OF(PKCS7)* safes = PKCS12_unpack_authsafes(p12);
  for (int i = 0; safes != nullptr && i < sk_PKCS7_num(safes) && !found; ++i) {
    PKCS7* safe = sk_PKCS7_value(safes, i);
    if (OBJ_obj2nid(safe->type) != NID_pkcs7_data) continue;
    STACK_OF(PKCS12_SAFEBAG)* bags = PKCS12_unpack_p7data(safe);
    for (int j = 0; bags != nullptr && j < sk_PKCS12_SAFEBAG_num(bags) && !found; ++j) {
      const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, j);
      if (PKCS12_SAFEBAG_get_nid(bag) == NID_certBag &&
          PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Certificate &&
          PKCS12_SAFEBAG_get0_attr(bag, NID_localKeyID) != nullptr) {
        found.reset(PKCS12_SAFEBAG_get1_cert(bag));
      }
    }
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
  }
  sk_PKCS7_pop_free(safes, PKCS7_free);
  return found;
}

class KeyFile final : public SigningKey {
 public:
  KeyFile(std::filesystem::path path, CertificateSummary summary, X509Ptr certificate)
      : path_(std::move(path)),
        summary_(std::move(summary)),
        certificate_(std::move(certificate)) {}

  Outcome Unlock(Consent& consent, const UnlockContext& context) override {
    PinRequest request{summary_, context.subject, true, context.previousAttemptWrong, std::nullopt};
    Secret password;
    switch (consent.AskPin(request, password)) {
      case Answer::kAccepted:
        break;
      case Answer::kCancelled:
        return Outcome::Fail(Status::kCancelled, "Signing was cancelled; nothing was signed");
      case Answer::kUnavailable:
        return Outcome::Fail(
            Status::kNotAvailable,
            "No window could be shown to ask for the password; nothing was signed");
    }
    const Pkcs12Ptr p12 = ReadPkcs12(path_);
    const std::string name = path_.filename().string();
    if (!p12) {
      return Outcome::Fail(Status::kSigningFailed,
                           "The key file " + name + " can no longer be read as PKCS#12");
    }
    const char* text = password.View().data();  // the Secret's buffer ends in a zero
    const int length = static_cast<int>(password.View().size());
    if (PKCS12_mac_present(p12.get()) && PKCS12_verify_mac(p12.get(), text, length) != 1) {
      return Outcome::Fail(Status::kWrongPin, "The password of the key file " + name + " is wrong");
    }
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* others = nullptr;
    if (PKCS12_parse(p12.get(), text, &key, &certificate, &others) != 1 || key == nullptr ||
        certificate == nullptr) {
      EVP_PKEY_free(key);
      X509_free(certificate);
      sk_X509_pop_free(others, X509_free);
      return Outcome::Fail(Status::kSigningFailed,
                           "The key file " + name + " holds no private key with its certificate");
    }
    key_.reset(key);
    certificate_.reset(certificate);
    std::vector<X509*> pool;
    for (int i = 0; others != nullptr && i < sk_X509_num(others); ++i) {
      pool.push_back(sk_X509_value(others, i));
    }
    companions_ = ChainFrom(certificate, pool);
    sk_X509_pop_free(others, X509_free);
    Unusable unusable;
    if (!CanSign(certificate, unusable)) {
      return Outcome::Fail(Status::kNoUsableCertificate,
                           ExplainUnusable(unusable).value_or("") + " (in " + name + ")");
    }
    return Outcome::Ok();
  }

  Outcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) override {
    EvpMdCtxPtr context(EVP_MD_CTX_new());
    std::size_t length = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(toBeSigned.data());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, md, nullptr, key_.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, data, toBeSigned.size()) != 1) {
      return Outcome::Fail(Status::kSigningFailed, "The key of " + path_.filename().string() +
                                                       " cannot sign with this hash algorithm");
    }
    signature.resize(length);
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       data, toBeSigned.size()) != 1) {
      return Outcome::Fail(Status::kSigningFailed, "The signature could not be made");
    }
    signature.resize(length);
    return Outcome::Ok();
  }

  X509* Certificate() const noexcept override { return certificate_.get(); }
  const Certificates& Companions() const noexcept override { return companions_; }

 private:
  std::filesystem::path path_;
  CertificateSummary summary_;
  X509Ptr certificate_;
  Certificates companions_;
  EvpPkeyPtr key_;
};

}  // namespace

std::filesystem::path KeyFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : "") / ".config";
  }
  return base / "ferolant" / "keys";
}

void AddKeyFiles(const std::filesystem::path& folder, KeyInventory& inventory) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".p12" && extension != ".pfx" && extension != ".P12" && extension != ".PFX") {
      continue;
    }
    const Pkcs12Ptr p12 = ReadPkcs12(entry.path());
    if (!p12) continue;
    const std::string name = entry.path().filename().string();
    X509Ptr certificate = VisibleCertificate(p12.get());
    CertificateSummary summary;
    std::string identity;
    if (certificate) {
      if (!CanSign(certificate.get(), inventory.unusable)) continue;
      summary = Summarize(certificate.get(), name);
      identity = Identity(certificate.get());
    } else {
      summary = {name, {}, {}, {}, name};
      identity = entry.path().string();
    }
    inventory.candidates.push_back(
        {summary, identity,
         std::make_unique<KeyFile>(entry.path(), summary, std::move(certificate))});
  }
}

}  // namespace tavrin
