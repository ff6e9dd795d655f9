// Keys on PKCS#11 tokens, through every module registered with p11-kit. The token makes the
// signature with direct PKCS#11 calls: the key never leaves it, each login is one C_Login
// whose result we see, and nothing logs in again by itself.
//
// A PIN-always key (CKA_ALWAYS_AUTHENTICATE) takes one signature per login: the PIN the person
// gave for this signature logs the user in where the token needs it, and again in the context
// of the one operation, right after C_SignInit.
#include <p11-kit/p11-kit.h>
#include <p11-kit/pkcs11.h>

#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "signer/certificate_check.h"
#include "signer/key_inventory.h"
#include "signer/pkcs11_session.h"
#include "signer/signature_value.h"
#include "signer/token_modules.h"

namespace tavrin {

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
    const bool userLogin = (token.flags & CKF_LOGIN_REQUIRED) != 0 && !loggedIn;
    // Where the key can be seen before a login it tells; a hidden one is asked again once the
    // user is logged in.
    alwaysAuthenticate_ = AlwaysAuthenticate(FindKey());
    if (!userLogin && !alwaysAuthenticate_) {
      return Confirmed(consent.Confirm({summary_, context.subject, false}));
    }
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0) return Locked();
    if ((token.flags & CKF_PROTECTED_AUTHENTICATION_PATH) != 0) {
      Outcome confirmed = Confirmed(consent.Confirm({summary_, context.subject, true}));
      pinPad_ = true;
      if (!confirmed.ok() || !userLogin) return confirmed;
      return UserLogin();
    }
    PinRequest request{summary_, context.subject, false, context.previousAttemptWrong,
                       std::nullopt};
    if ((token.flags & CKF_USER_PIN_FINAL_TRY) != 0) request.triesLeft = 1;
    Outcome answered = Confirmed(consent.AskPin(request, pin_));
    if (!answered.ok()) return answered;
    Outcome unlocked = userLogin ? UserLogin() : Outcome::Ok();
    if (unlocked.ok() && !alwaysAuthenticate_) alwaysAuthenticate_ = AlwaysAuthenticate(FindKey());
    // Kept only for the login that the one signature of a PIN-always key needs.
    if (!unlocked.ok() || !alwaysAuthenticate_) pin_.Wipe();
    return unlocked;
  }

  Outcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) override {
    const CK_OBJECT_HANDLE key = FindKey();
    if (key == CK_INVALID_HANDLE) {
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
    CK_RV rv = module_->C_SignInit(session_->Handle(), &mechanism, key);
    if (rv == CKR_OK && alwaysAuthenticate_) {
      const CK_RV login = Login(CKU_CONTEXT_SPECIFIC);
      pin_.Wipe();
      if (login != CKR_OK) return Refused(login);
    }
    pin_.Wipe();
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

  // The private key with the certificate's id; keys the token hides until a login are not found.
  CK_OBJECT_HANDLE FindKey() const {
    CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
    Bytes id = id_;
    const auto keys = session_->Find(
        {Attr(CKA_CLASS, &privateKey, sizeof privateKey), Attr(CKA_ID, id.data(), id.size())});
    return keys.empty() ? CK_INVALID_HANDLE : keys.front();
  }

  bool AlwaysAuthenticate(CK_OBJECT_HANDLE key) const {
    if (key == CK_INVALID_HANDLE) return false;
    const Bytes value = session_->Attribute(key, CKA_ALWAYS_AUTHENTICATE);
    return value.size() == sizeof(CK_BBOOL) && value[0] != CK_FALSE;
  }

  // The PIN given (none for a PIN pad, which asks on its own).
  CK_RV Login(CK_USER_TYPE user) {
    if (pinPad_) return module_->C_Login(session_->Handle(), user, nullptr, 0);
    auto* text = reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(pin_.View().data()));
    return module_->C_Login(session_->Handle(), user, text, pin_.View().size());
  }

  Outcome UserLogin() {
    const CK_RV rv = Login(CKU_USER);
    if (rv == CKR_OK) loggedIn_ = true;
    if (rv == CKR_OK || rv == CKR_USER_ALREADY_LOGGED_IN) return Outcome::Ok();
    return Refused(rv);
  }

  Outcome Refused(CK_RV rv) const {
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
  Secret pin_;
  bool loggedIn_ = false;
  bool pinPad_ = false;
  bool alwaysAuthenticate_ = false;
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
  for (CK_FUNCTION_LIST* module : modules->Initialised()) {
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
