// PKCS#12 files in the key folder. Their certificates are shown before the password where the
// file keeps them unencrypted; otherwise the file is offered by its name and its certificate is
// checked once the password opened it.
#include <openssl/pkcs12.h>

#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "signer/certificate_check.h"
#include "signer/key_inventory.h"

namespace tavrin {

namespace {

// Why a key file or the key folder with this status is not used, or empty when it may be: a
// key that another user could replace or read at will is not the person's own.
std::string Distrust(const struct stat& info) {
  if (info.st_uid != ::geteuid()) return "it belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "it can be written by other users";
  return {};
}

// The file's PKCS#12 content, read through the descriptor whose owner and mode were checked.
TPkcs12Ptr ReadPkcs12(const std::filesystem::path& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    why = "it cannot be opened";
    return nullptr;
  }
  struct stat info {};
  std::string bytes;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "it is not a regular file";
  } else {
    why = Distrust(info);
  }
  if (why.empty()) {
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) break;
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  if (!why.empty()) return nullptr;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  TPkcs12Ptr p12(d2i_PKCS12(nullptr, &data, static_cast<long>(bytes.size())));
  OPENSSL_cleanse(bytes.data(), bytes.size());
  return p12;
}

// The certificate that the file keeps unencrypted next to its key (the bag that carries a
// local key id), or null.
TX509Ptr VisibleCertificate(PKCS12* p12) {
  TX509Ptr found;
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

// OpenSSL keeps a decrypted key in its ordinary heap, which no flag keeps out of a core dump;
// while one is held, the process makes no core dump at all.
class TNoCoreDump {
 public:
  TNoCoreDump() : FPrevious(::prctl(PR_GET_DUMPABLE)) { ::prctl(PR_SET_DUMPABLE, 0); }
  ~TNoCoreDump() {
    if (FPrevious > 0) ::prctl(PR_SET_DUMPABLE, FPrevious);
  }
  TNoCoreDump(const TNoCoreDump&) = delete;
  TNoCoreDump& operator=(const TNoCoreDump&) = delete;

 private:
  int FPrevious;
};

class TKeyFile final : public ISigningKey {
 public:
  TKeyFile(std::filesystem::path path, TCertificateSummary summary, TX509Ptr certificate)
      : FPath(std::move(path)),
        FSummary(std::move(summary)),
        FCertificate(std::move(certificate)) {}

  TOutcome Unlock(IConsent& consent, const TUnlockContext& context) override {
    TPinRequest request{FSummary, context.Subject, true, context.PreviousAttemptWrong,
                        std::nullopt};
    TSecret password;
    switch (consent.AskPin(request, password)) {
      case TAnswer::Accepted:
        break;
      case TAnswer::Cancelled:
        return TOutcome::Fail(TStatus::Cancelled, "Signing was cancelled; nothing was signed");
      case TAnswer::Unavailable:
        return TOutcome::Fail(
            TStatus::NotAvailable,
            "No window could be shown to ask for the password; nothing was signed");
    }
    if (password.Overlong()) {
      return TOutcome::Fail(TStatus::Cancelled, "The password is longer than " +
                                                    std::to_string(TSecret::kCapacity) +
                                                    " bytes and was not used; nothing was signed");
    }
    std::string why;
    const TPkcs12Ptr p12 = ReadPkcs12(FPath, why);
    const std::string name = FPath.filename().string();
    if (!p12) {
      return TOutcome::Fail(TStatus::SigningFailed, "The key file " + name +
                                                        " can no longer be used as PKCS#12" +
                                                        (why.empty() ? "" : ": " + why));
    }
    const char* text = password.View().data();  // the Secret's buffer ends in a zero
    const int length = static_cast<int>(password.View().size());
    if (PKCS12_mac_present(p12.get()) && PKCS12_verify_mac(p12.get(), text, length) != 1) {
      return TOutcome::Fail(TStatus::WrongPin,
                            "The password of the key file " + name + " is wrong");
    }
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* others = nullptr;
    if (!FNoCoreDump) FNoCoreDump = std::make_unique<TNoCoreDump>();
    if (PKCS12_parse(p12.get(), text, &key, &certificate, &others) != 1 || key == nullptr ||
        certificate == nullptr) {
      EVP_PKEY_free(key);
      X509_free(certificate);
      sk_X509_pop_free(others, X509_free);
      return TOutcome::Fail(TStatus::SigningFailed,
                            "The key file " + name + " holds no private key with its certificate");
    }
    FKey.reset(key);
    FCertificate.reset(certificate);
    std::vector<X509*> pool;
    for (int i = 0; others != nullptr && i < sk_X509_num(others); ++i) {
      pool.push_back(sk_X509_value(others, i));
    }
    FCompanions = ChainFrom(certificate, pool);
    sk_X509_pop_free(others, X509_free);
    TUnusable unusable;
    if (!CanSign(certificate, unusable)) {
      return TOutcome::Fail(TStatus::NoUsableCertificate,
                            ExplainUnusable(unusable).value_or("") + " (in " + name + ")");
    }
    return TOutcome::Ok();
  }

  TOutcome Sign(const EVP_MD* md, std::string_view toBeSigned, std::string& signature) override {
    TEvpMdCtxPtr context(EVP_MD_CTX_new());
    std::size_t length = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(toBeSigned.data());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, md, nullptr, FKey.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, data, toBeSigned.size()) != 1) {
      return TOutcome::Fail(TStatus::SigningFailed, "The key of " + FPath.filename().string() +
                                                        " cannot sign with this hash algorithm");
    }
    signature.resize(length);
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       data, toBeSigned.size()) != 1) {
      return TOutcome::Fail(TStatus::SigningFailed, "The signature could not be made");
    }
    signature.resize(length);
    return TOutcome::Ok();
  }

  X509* Certificate() const noexcept override { return FCertificate.get(); }
  const TCertificates& Companions() const noexcept override { return FCompanions; }

 private:
  std::filesystem::path FPath;
  TCertificateSummary FSummary;
  TX509Ptr FCertificate;
  TCertificates FCompanions;
  std::unique_ptr<TNoCoreDump> FNoCoreDump;  // before FKey, so that it ends after the key
  TEvpPkeyPtr FKey;
};

}  // namespace

std::filesystem::path KeyFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else if (home != nullptr && home[0] == '/') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};  // never a folder relative to wherever the browser started the host
  }
  return base / "ferolant" / "keys";
}

void AddKeyFiles(const std::filesystem::path& folder, TKeyInventory& inventory) {
  struct stat info {};
  if (folder.empty() || ::stat(folder.c_str(), &info) != 0) return;
  if (std::string why = Distrust(info); !why.empty()) {
    inventory.RefusedKeys.push_back("the key folder " + folder.string() + " is not used: " + why);
    return;
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".p12" && extension != ".pfx" && extension != ".P12" && extension != ".PFX") {
      continue;
    }
    const std::string name = entry.path().filename().string();
    std::string why;
    const TPkcs12Ptr p12 = ReadPkcs12(entry.path(), why);
    if (!why.empty()) inventory.RefusedKeys.push_back(name + " is not used: " + why);
    if (!p12) continue;
    TX509Ptr certificate = VisibleCertificate(p12.get());
    TCertificateSummary summary;
    std::string identity;
    if (certificate) {
      if (!CanSign(certificate.get(), inventory.Unusable)) continue;
      summary = Summarize(certificate.get(), name);
      identity = Identity(certificate.get());
    } else {
      summary = {name, {}, {}, {}, name};
      identity = entry.path().string();
    }
    inventory.Candidates.push_back(
        {summary, identity,
         std::make_unique<TKeyFile>(entry.path(), summary, std::move(certificate))});
  }
}

bool IsKeyFile(const std::filesystem::path& folder, std::pair<std::uint64_t, std::uint64_t> file) {
  std::error_code error;
  if (folder.empty()) return false;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) == 0 &&
        std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino) == file) {
      return true;
    }
  }
  return false;
}

}  // namespace tavrin
