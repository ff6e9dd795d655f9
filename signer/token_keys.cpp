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

using TBytes = std::string;

std::string Label(const CK_TOKEN_INFO& info) {
  std::string label(reinterpret_cast<const char*>(info.label), sizeof info.label);
  label.erase(label.find_last_not_of(' ') + 1);
  return label;
}

class TTokenKey final : public ISigningKey {
 public:
  TTokenKey(std::shared_ptr<TTokenModules> modules, CK_FUNCTION_LIST* module, CK_SLOT_ID slot,
            TBytes id, TCertificateSummary summary, TX509Ptr certificate, TCertificates companions)
      : FModules(std::move(modules)),
        FModule(module),
        FSlot(slot),
        FId(std::move(id)),
        FSummary(std::move(summary)),
        FCertificate(std::move(certificate)),
        FCompanions(std::move(companions)) {}

  ~TTokenKey() override {
    if (FLoggedIn && FSession) FModule->C_Logout(FSession->Handle());
  }

  TOutcome Unlock(IConsent& consent, const TUnlockContext& context) override {
    FSession = std::make_unique<TSession>(FModule, FSlot);
    if (FSession->OpenResult() != CKR_OK) return Gone(FSession->OpenResult());
    CK_TOKEN_INFO token{};
    if (const CK_RV rv = FModule->C_GetTokenInfo(FSlot, &token); rv != CKR_OK) return Gone(rv);
    CK_SESSION_INFO state{};
    FModule->C_GetSessionInfo(FSession->Handle(), &state);
    const bool loggedIn =
        state.state == CKS_RO_USER_FUNCTIONS || state.state == CKS_RW_USER_FUNCTIONS;
    const bool userLogin = (token.flags & CKF_LOGIN_REQUIRED) != 0 && !loggedIn;
    // Where the key can be seen before a login it tells; a hidden one is asked again once the
    // user is logged in.
    FAlwaysAuthenticate = AlwaysAuthenticate(FindKey());
    if (!userLogin && !FAlwaysAuthenticate) {
      return Confirmed(consent.Confirm({FSummary, context.Subject, false}));
    }
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0) return Locked();
    if ((token.flags & CKF_PROTECTED_AUTHENTICATION_PATH) != 0) {
      TOutcome confirmed = Confirmed(consent.Confirm({FSummary, context.Subject, true}));
      FPinPad = true;
      if (!confirmed.Succeeded() || !userLogin) return confirmed;
      return UserLogin();
    }
    TPinRequest request{FSummary, context.Subject, false, context.PreviousAttemptWrong,
                        std::nullopt};
    if ((token.flags & CKF_USER_PIN_FINAL_TRY) != 0) request.TriesLeft = 1;
    TOutcome answered = Confirmed(consent.AskPin(request, FPin));
    if (!answered.Succeeded()) return answered;
    TOutcome unlocked = userLogin ? UserLogin() : TOutcome::Ok();
    if (unlocked.Succeeded() && !FAlwaysAuthenticate)
      FAlwaysAuthenticate = AlwaysAuthenticate(FindKey());
    // Kept only for the login that the one signature of a PIN-always key needs.
    if (!unlocked.Succeeded() || !FAlwaysAuthenticate) FPin.Wipe();
    return unlocked;
  }

  TOutcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) override {
    const CK_OBJECT_HANDLE key = FindKey();
    if (key == CK_INVALID_HANDLE) {
      return TOutcome::Fail(
          TStatus::SigningFailed,
          "The token " + FSummary.KeyLocation + " holds no private key for this certificate");
    }
    TBytes digest(static_cast<std::size_t>(EVP_MD_get_size(md)), '\0');
    unsigned int digestLength = 0;
    EVP_Digest(toBeSigned.data(), toBeSigned.size(),
               reinterpret_cast<unsigned char*>(digest.data()), &digestLength, md, nullptr);
    const bool ec = EVP_PKEY_get_base_id(X509_get0_pubkey(FCertificate.get())) == EVP_PKEY_EC;
    TBytes input;
    if (ec) {
      input = digest;
    } else if (!DigestInfo(md, digest, input)) {
      return TOutcome::Fail(TStatus::SigningFailed, "The signature could not be prepared");
    }
    CK_MECHANISM mechanism{ec ? CKM_ECDSA : CKM_RSA_PKCS, nullptr, 0};
    auto* data = reinterpret_cast<CK_BYTE*>(input.data());
    CK_RV rv = FModule->C_SignInit(FSession->Handle(), &mechanism, key);
    if (rv == CKR_OK && FAlwaysAuthenticate) {
      const CK_RV login = Login(CKU_CONTEXT_SPECIFIC);
      FPin.Wipe();
      if (login != CKR_OK) return Refused(login);
    }
    FPin.Wipe();
    CK_ULONG length = 0;
    if (rv == CKR_OK)
      rv = FModule->C_Sign(FSession->Handle(), data, input.size(), nullptr, &length);
    TBytes raw(length, '\0');
    if (rv == CKR_OK) {
      rv = FModule->C_Sign(FSession->Handle(), data, input.size(),
                           reinterpret_cast<CK_BYTE*>(raw.data()), &length);
    }
    if (rv != CKR_OK) {
      if (TokenWentAway(rv)) return Gone(rv);
      return TOutcome::Fail(TStatus::SigningFailed, "The token " + FSummary.KeyLocation +
                                                        " refused to sign (" + Code(rv) + ")");
    }
    raw.resize(length);
    if (!ec) {
      signature = std::move(raw);
    } else if (!EcdsaDer(raw, signature)) {
      return TOutcome::Fail(TStatus::SigningFailed, "The token's ECDSA signature is malformed");
    }
    return TOutcome::Ok();
  }

  X509* Certificate() const noexcept override { return FCertificate.get(); }
  const TCertificates& Companions() const noexcept override { return FCompanions; }

 private:
  TOutcome Gone(CK_RV rv) const {
    return TOutcome::Fail(TStatus::TokenGone, "The token " + FSummary.KeyLocation +
                                                  " is no longer available (" + Code(rv) +
                                                  "); nothing was signed");
  }

  TOutcome Locked() const {
    return TOutcome::Fail(TStatus::PinLocked, "The PIN of the token " + FSummary.KeyLocation +
                                                  " is locked; nothing was signed");
  }

  TOutcome Confirmed(TAnswer answer) const {
    switch (answer) {
      case TAnswer::Accepted:
        return TOutcome::Ok();
      case TAnswer::Cancelled:
        return TOutcome::Fail(TStatus::Cancelled, "Signing was cancelled; nothing was signed");
      case TAnswer::Unavailable:
        break;
    }
    return TOutcome::Fail(TStatus::NotAvailable,
                          "No window could be shown to ask for consent; nothing was signed");
  }

  // The private key with the certificate's id; keys the token hides until a login are not found.
  CK_OBJECT_HANDLE FindKey() const {
    CK_OBJECT_CLASS privateKey = CKO_PRIVATE_KEY;
    TBytes id = FId;
    const auto keys = FSession->Find(
        {Attr(CKA_CLASS, &privateKey, sizeof privateKey), Attr(CKA_ID, id.data(), id.size())});
    return keys.empty() ? CK_INVALID_HANDLE : keys.front();
  }

  bool AlwaysAuthenticate(CK_OBJECT_HANDLE key) const {
    if (key == CK_INVALID_HANDLE) return false;
    const TBytes value = FSession->Attribute(key, CKA_ALWAYS_AUTHENTICATE);
    return value.size() == sizeof(CK_BBOOL) && value[0] != CK_FALSE;
  }

  // The PIN given (none for a PIN pad, which asks on its own).
  CK_RV Login(CK_USER_TYPE user) {
    if (FPinPad) return FModule->C_Login(FSession->Handle(), user, nullptr, 0);
    auto* text = reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(FPin.View().data()));
    return FModule->C_Login(FSession->Handle(), user, text, FPin.View().size());
  }

  TOutcome UserLogin() {
    const CK_RV rv = Login(CKU_USER);
    if (rv == CKR_OK) FLoggedIn = true;
    if (rv == CKR_OK || rv == CKR_USER_ALREADY_LOGGED_IN) return TOutcome::Ok();
    return Refused(rv);
  }

  TOutcome Refused(CK_RV rv) const {
    if (rv == CKR_PIN_LOCKED) return Locked();
    if (rv == CKR_PIN_INCORRECT || rv == CKR_PIN_LEN_RANGE || rv == CKR_PIN_INVALID) {
      return WrongPin();
    }
    if (rv == CKR_FUNCTION_CANCELED) {
      return TOutcome::Fail(TStatus::Cancelled, "Signing was cancelled; nothing was signed");
    }
    if (TokenWentAway(rv)) return Gone(rv);
    return TOutcome::Fail(TStatus::SigningFailed, "The token " + FSummary.KeyLocation +
                                                      " refused the login (" + Code(rv) + ")");
  }

  // What the token tells of the tries left, read after the refusal.
  TOutcome WrongPin() const {
    CK_TOKEN_INFO token{};
    FModule->C_GetTokenInfo(FSlot, &token);
    std::string sentence = "The PIN for the token " + FSummary.KeyLocation + " is wrong";
    if ((token.flags & CKF_USER_PIN_LOCKED) != 0) return Locked();
    if ((token.flags & CKF_USER_PIN_FINAL_TRY) != 0) {
      sentence += "; one try is left before the PIN is locked";
    } else if ((token.flags & CKF_USER_PIN_COUNT_LOW) != 0) {
      sentence += "; only a few tries are left before the PIN is locked";
    }
    return TOutcome::Fail(TStatus::WrongPin, sentence + "; nothing was signed");
  }

  std::shared_ptr<TTokenModules> FModules;  // keeps FModule loaded
  CK_FUNCTION_LIST* FModule;
  CK_SLOT_ID FSlot;
  TBytes FId;
  TCertificateSummary FSummary;
  TX509Ptr FCertificate;
  TCertificates FCompanions;
  std::unique_ptr<TSession> FSession;
  TSecret FPin;
  bool FLoggedIn = false;
  bool FPinPad = false;
  bool FAlwaysAuthenticate = false;
};

// Trust modules hold the system's anchors, which sign nothing for us.
bool HoldsTrustOnly(CK_FUNCTION_LIST* module) {
  char* option = p11_kit_config_option(module, "trust-policy");
  const bool trust = option != nullptr && std::string(option) == "yes";
  std::free(option);
  return trust;
}

struct TTokenCertificate {
  TX509Ptr Certificate;
  TBytes Id;
};

void AddToken(const std::shared_ptr<TTokenModules>& modules, CK_FUNCTION_LIST* module,
              CK_SLOT_ID slot, TKeyInventory& inventory) {
  CK_TOKEN_INFO token{};
  if (module->C_GetTokenInfo(slot, &token) != CKR_OK ||
      (token.flags & CKF_TOKEN_INITIALIZED) == 0) {
    return;
  }
  const std::string label = Label(token);
  const bool loginRequired = (token.flags & CKF_LOGIN_REQUIRED) != 0;
  const TSession session(module, slot);
  if (session.OpenResult() != CKR_OK) return;

  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_CERTIFICATE_TYPE x509 = CKC_X_509;
  std::vector<TTokenCertificate> certificates;
  for (CK_OBJECT_HANDLE object :
       session.Find({Attr(CKA_CLASS, &certificateClass, sizeof certificateClass),
                     Attr(CKA_CERTIFICATE_TYPE, &x509, sizeof x509)})) {
    const TBytes der = session.Attribute(object, CKA_VALUE);
    const auto* data = reinterpret_cast<const unsigned char*>(der.data());
    TX509Ptr certificate(d2i_X509(nullptr, &data, static_cast<long>(der.size())));
    if (certificate)
      certificates.push_back({std::move(certificate), session.Attribute(object, CKA_ID)});
  }
  // Key ids that can be seen without logging in; private keys are often hidden until then.
  std::set<TBytes> keyIds;
  for (CK_OBJECT_CLASS keyClass : {CKO_PRIVATE_KEY, CKO_PUBLIC_KEY}) {
    for (CK_OBJECT_HANDLE object : session.Find({Attr(CKA_CLASS, &keyClass, sizeof keyClass)})) {
      keyIds.insert(session.Attribute(object, CKA_ID));
    }
  }
  std::vector<X509*> pool;
  for (const auto& entry : certificates) pool.push_back(entry.Certificate.get());
  for (auto& entry : certificates) {
    if (entry.Id.empty()) continue;
    const bool keyPossible = keyIds.count(entry.Id) != 0 ||
                             (loginRequired && X509_check_ca(entry.Certificate.get()) == 0);
    if (!keyPossible || !CanSign(entry.Certificate.get(), inventory.Unusable)) continue;
    TCertificateSummary summary = Summarize(entry.Certificate.get(), label);
    std::string identity = Identity(entry.Certificate.get());
    TCertificates chain = ChainFrom(entry.Certificate.get(), pool);
    inventory.Candidates.push_back(
        {summary, std::move(identity),
         std::make_unique<TTokenKey>(modules, module, slot, entry.Id, summary,
                                     Share(entry.Certificate.get()), std::move(chain))});
  }
}

}  // namespace

void AddTokens(TKeyInventory& inventory) {
  auto modules = std::make_shared<TTokenModules>();
  for (CK_FUNCTION_LIST* module : modules->Initialised()) {
    if (HoldsTrustOnly(module)) continue;
    CK_ULONG count = 0;
    if (module->C_GetSlotList(CK_TRUE, nullptr, &count) != CKR_OK || count == 0) continue;
    std::vector<CK_SLOT_ID> slots(count);
    if (module->C_GetSlotList(CK_TRUE, slots.data(), &count) != CKR_OK) continue;
    slots.resize(count);
    for (CK_SLOT_ID slot : slots) AddToken(modules, module, slot, inventory);
  }
  inventory.Modules = std::move(modules);
}

}  // namespace tavrin
