// Keys on PKCS#11 tokens, through every module registered with p11-kit. The token makes the
// signature with direct PKCS#11 calls: the key never leaves it, each login is one C_Login
// whose result we see, and nothing logs in again by itself.
#include <p11-kit/p11-kit.h>
#include <p11-kit/pkcs11.h>

#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "certificate_check.h"
#include "key_inventory.h"
#include "pkcs11_session.h"
#include "signature_value.h"

namespace tavrin {

class TokenModules {
 public:
  TokenModules() : modules_(p11_kit_modules_load_and_initialize(0)) {}
  ~TokenModules() {
    if (modules_ != nullptr) p11_kit_modules_finalize_and_release(modules_);
  }
  TokenModules(const TokenModules&) = delete;
  TokenModules& operator=(const TokenModules&) = delete;

  CK_FUNCTION_LIST** List() const noexcept { return modules_; }

 private:
  CK_FUNCTION_LIST** modules_;
};

namespace {

using Bytes = std::string;

std::string Label(const CK_TOKEN_INFO& info) {
  std::string label(reinterpret_cast<const char*>(info.label), sizeof info.label);
  label.erase(label.find_last_not_of(' ') + 1);
  return label;
}

class TokenKey final : public SigningKey {
 public:
  TokenKey(std::shared_ptr<TokenModules> modules, CK_FUNCTION_LIST* module, CK_SLOT_ID slot,
           Bytes id, CertificateSummary summary, X509Ptr certificate, Certificates companions)
      : modules_(std::move(modules)),
        module_(module),
        slot_(slot),
        id_(std::move(id)),
        summary_(std::move(summary)),
        certificate_(std::move(certificate)),
        companions_(std::move(companions)) {}

  ~TokenKey() override {
    if (loggedIn_ && session_) module_->C_Logout(session_->Handle());
  }

  Outcome Unlock(Consent& consent, const UnlockContext& context) override {
    session_ = std::make_unique<Session>(module_, slot_);
    if (session_->OpenResult() != CKR_OK) return Gone(session_->OpenResult());
    CK_TOKEN_INFO token{};
    if (const CK_RV rv = module_->C_GetTokenInfo(slot_, &token); rv != CKR_OK) return Gone(rv);
    CK_SESSION_INFO state{};
    module_->C_GetSessionInfo(session_->Handle(), &state);
    const bool loggedIn =
        state.state == CKS_RO_USER_FUNCTIONS || state.state == CKS_RW_USER_FUNCTIONS;
    if ((token.flags & CKF_LOGIN_REQUIRED) == 0 || loggedIn) {
      return Confirmed(consent.Confirm({summary_, context.subject, false}));
    }
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0) return Locked();
    if ((token.flags & CKF_PROTECTED_AUTHENTICATION_PATH) != 0) {
      Outcome confirmed = Confirmed(consent.Confirm({summary_, context.subject, true}));
      if (!confirmed.ok()) return confirmed;
      return LoggedIn(module_->C_Login(session_->Handle(), CKU_USER, nullptr, 0));
    }
    PinRequest request{summary_, context.subject, false, context.previousAttemptWrong,
                       std::nullopt};
    if ((token.flags & CKF_USER_PIN_FINAL_TRY) != 0) request.triesLeft = 1;
    Secret pin;
    Outcome answered = Confirmed(consent.AskPin(request, pin));
    if (!answered.ok()) return answered;
    auto* text = reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(pin.View().data()));
    const CK_RV rv = module_->C_Login(session_->Handle(), CKU_USER, text, pin.View().size());
    pin.Wipe();
    return LoggedIn(rv);
  }

  Outcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) override {
    CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
    const auto keys = session_->Find(
        {Attr(CKA_CLASS, &privateKey, sizeof privateKey), Attr(CKA_ID, id_.data(), id_.size())});
    if (keys.empty()) {
      return Outcome::Fail(
          Status::kSigningFailed,
          "The token " + summary_.keyLocation + " holds no private key for this certificate");
    }
    Bytes digest(static_cast<std::size_t>(EVP_MD_get_size(md)), '\0');
    unsigned int digestLength = 0;
    EVP_Digest(toBeSigned.data(), toBeSigned.size(),
               reinterpret_cast<unsigned char*>(digest.data()), &digestLength, md, nullptr);
    const bool ec = EVP_PKEY_get_base_id(X509_get0_pubkey(certificate_.get())) == EVP_PKEY_EC;
    Bytes input;
    if (ec) {
      input = digest;
    } else if (!DigestInfo(md, digest, input)) {
      return Outcome::Fail(Status::kSigningFailed, "The signature could not be prepared");
    }
    CK_MECHANISM mechanism{ec ? CKM_ECDSA : CKM_RSA_PKCS, nullptr, 0};
    auto* data = reinterpret_cast<CK_BYTE*>(input.data());
    CK_RV rv = module_->C_SignInit(session_->Handle(), &mechanism, keys.front());
    CK_ULONG length = 0;
    if (rv == CKR_OK)
      rv = module_->C_Sign(session_->Handle(), data, input.size(), nullptr, &length);
    Bytes raw(length, '\0');
    if (rv == CKR_OK) {
      rv = module_->C_Sign(session_->Handle(), data, input.size(),
                           reinterpret_cast<CK_BYTE*>(raw.data()), &length);
    }
    if (rv != CKR_OK) {
      if (TokenWentAway(rv)) return Gone(rv);
      return Outcome::Fail(Status::kSigningFailed, "The token " + summary_.keyLocation +
                                                       " refused to sign (" + Code(rv) + ")");
    }
    raw.resize(length);
    if (!ec) {
      signature = std::move(raw);
    } else if (!EcdsaDer(raw, signature)) {
      return Outcome::Fail(Status::kSigningFailed, "The token's ECDSA signature is malformed");
    }
    return Outcome::Ok();
  }

  X509* Certificate() const noexcept override { return certificate_.get(); }
  const Certificates& Companions() const noexcept override { return companions_; }

 private:
  Outcome Gone(CK_RV rv) const {
    return Outcome::Fail(Status::kTokenGone, "The token " + summary_.keyLocation +
                                                 " is no longer available (" + Code(rv) +
                                                 "); nothing was signed");
  }

  Outcome Locked() const {
    return Outcome::Fail(Status::kPinLocked, "The PIN of the token " + summary_.keyLocation +
                                                 " is locked; nothing was signed");
  }

  Outcome Confirmed(Answer answer) const {
    switch (answer) {
      case Answer::kAccepted:
        return Outcome::Ok();
      case Answer::kCancelled:
        return Outcome::Fail(Status::kCancelled, "Signing was cancelled; nothing was signed");
      case Answer::kUnavailable:
        break;
    }
    return Outcome::Fail(Status::kNotAvailable,
                         "No window could be shown to ask for consent; nothing was signed");
  }

  Outcome LoggedIn(CK_RV rv) {
    if (rv == CKR_OK || rv == CKR_USER_ALREADY_LOGGED_IN) {
      loggedIn_ = rv == CKR_OK;
      return Outcome::Ok();
    }
    if (rv == CKR_PIN_LOCKED) return Locked();
    if (rv == CKR_PIN_INCORRECT || rv == CKR_PIN_LEN_RANGE || rv == CKR_PIN_INVALID) {
      return WrongPin();
    }
    if (rv == CKR_FUNCTION_CANCELED) {
      return Outcome::Fail(Status::kCancelled, "Signing was cancelled; nothing was signed");
    }
    if (TokenWentAway(rv)) return Gone(rv);
    return Outcome::Fail(Status::kSigningFailed, "The token " + summary_.keyLocation +
                                                     " refused the login (" + Code(rv) + ")");
  }

  // What the token tells of the tries left, read after the refusal.
  Outcome WrongPin() const {
    CK_TOKEN_INFO token{};
    module_->C_GetTokenInfo(slot_, &token);
    std::string sentence = "The PIN for the token " + summary_.keyLocation + " is wrong";
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0) return Locked();
    if ((token.flags & CKF_USER_PIN_FINAL_TRY) != 0) {
      sentence += "; one try is left before the PIN is locked";
    } else if ((token.flags & CKF_USER_PIN_COUNT_LOW) != 0) {
      sentence += "; only a few tries are left before the PIN is locked";
    }
    return Outcome::Fail(Status::kWrongPin, sentence + "; nothing was signed");
  }

  std::shared_ptr<TokenModules> modules_;  // keeps module_ loaded
  CK_FUNCTION_LIST* module_;
  CK_SLOT_ID slot_;
  Bytes id_;
  CertificateSummary summary_;
  X509Ptr certificate_;
  Certificates companions_;
  std::unique_ptr<Session> session_;
  bool loggedIn_ = false;
};

// Trust modules hold the system's anchors, which sign nothing for us.
bool HoldsTrustOnly(CK_FUNCTION_LIST* module) {
  char* option = p11_kit_config_option(module, "trust-policy");
  const bool trust = option != nullptr && std::string(option) == "yes";
  std::free(option);
  return trust;
}

struct TokenCertificate {
  X509Ptr certificate;
  Bytes id;
};

void AddToken(const std::shared_ptr<TokenModules>& modules, CK_FUNCTION_LIST* module,
              CK_SLOT_ID slot, KeyInventory& inventory) {
  CK_TOKEN_INFO token{};
  if (module->C_GetTokenInfo(slot, &token) != CKR_OK ||
      (token.flags & CKF_TOKEN_INITIALIZED) == 0) {
    return;
  }
  const std::string label = Label(token);
  const bool loginRequired = (token.flags & CKF_LOGIN_REQUIRED) != 0;
  const Session session(module, slot);
  if (session.OpenResult() != CKR_OK) return;

  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_CERTIFICATE_TYPE x509 = CKC_X_509;
  std::vector<TokenCertificate> certificates;
  for (CK_OBJECT_HANDLE object :
       session.Find({Attr(CKA_CLASS, &certificateClass, sizeof certificateClass),
                     Attr(CKA_CERTIFICATE_TYPE, &x509, sizeof x509)})) {
    const Bytes der = session.Attribute(object, CKA_VALUE);
    const auto* data = reinterpret_cast<const unsigned char*>(der.data());
    X509Ptr certificate(d2i_X509(nullptr, &data, static_cast<long>(der.size())));
    if (certificate)
      certificates.push_back({std::move(certificate), session.Attribute(object, CKA_ID)});
  }
  // Key ids that can be seen without logging in; private keys are often hidden until then.
  std::set<Bytes> keyIds;
  for (CK_OBJECT_CLASS keyClass : {CKO_PRIVATE_KEY, CKO_PUBLIC_KEY}) {
    for (CK_OBJECT_HANDLE object : session.Find({Attr(CKA_CLASS, &keyClass, sizeof keyClass)})) {
      keyIds.insert(session.Attribute(object, CKA_ID));
    }
  }
  std::vector<X509*> pool;
  for (const auto& entry : certificates) pool.push_back(entry.certificate.get());
  for (auto& entry : certificates) {
    if (entry.id.empty()) continue;
    const bool keyPossible = keyIds.count(entry.id) != 0 ||
                             (loginRequired && X509_check_ca(entry.certificate.get()) == 0);
    if (!keyPossible || !CanSign(entry.certificate.get(), inventory.unusable)) continue;
    CertificateSummary summary = Summarize(entry.certificate.get(), label);
    std::string identity = Identity(entry.certificate.get());
    Certificates chain = ChainFrom(entry.certificate.get(), pool);
    inventory.candidates.push_back(
        {summary, std::move(identity),
         std::make_unique<TokenKey>(modules, module, slot, entry.id, summary,
                                    Share(entry.certificate.get()), std::move(chain))});
  }
}

}  // namespace

void AddTokens(KeyInventory& inventory) {
  auto modules = std::make_shared<TokenModules>();
  if (modules->List() == nullptr) return;
  for (CK_FUNCTION_LIST** it = modules->List(); *it != nullptr; ++it) {
    CK_FUNCTION_LIST* module = *it;
    if (HoldsTrustOnly(module)) continue;
    CK_ULONG count = 0;
    if (module->C_GetSlotList(CK_TRUE, nullptr, &count) != CKR_OK || count == 0) continue;
    std::vector<CK_SLOT_ID> slots(count);
    if (module->C_GetSlotList(CK_TRUE, slots.data(), &count) != CKR_OK) continue;
    slots.resize(count);
    for (CK_SLOT_ID slot : slots) AddToken(modules, module, slot, inventory);
  }
  inventory.modules = std::move(modules);
}

}  // namespace tavrin
