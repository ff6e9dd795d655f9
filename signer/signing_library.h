#pragma once
// The library behind the exported functions: its settings, and signing through a
// Consent. Texts in and out are UTF-8 unless they are the page's own UTF-16.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include <openssl/evp.h>

#include "signer/consent.h"
#include "signer/status.h"

namespace tavrin {

class TFileSource;

class TSigningLibrary {
 public:
  explicit TSigningLibrary(std::unique_ptr<IConsent> consent);

  static std::string About();

  TOutcome SetCodePage(std::int32_t number);
  std::uint16_t CodePage() const noexcept { return FCodePage; }
  TOutcome SetSignatureHash(std::int32_t number);
  TOutcome SetCertificateHash(std::int32_t number);

  // Detached CAdES signatures in Base64: of the text's bytes in the configured code page, and of
  // a file's bytes.
  TOutcome SignText(std::u16string_view text, std::string& base64);
  TOutcome SignFile(const std::string& path, std::string& base64);

  // The file in Base64, written into the buffer that `allocate` returns for that many units
  // (null when out of memory). Only a file chosen in ChooseFiles during this library's life, or
  // one the person agrees to give in a dialog; never a key file of the key folder.
  TOutcome EncodeFile(const std::string& path,
                      const std::function<char16_t*(std::size_t units)>& allocate);

  // The serial number of the certificate behind the last signature, in upper-case hex.
  TOutcome LastSerial(std::string& hex) const;

  TOutcome ChooseFiles(const TFileChooserRequest& request, std::vector<std::string>& paths);

 private:
  // Signs `digest` (made with FSignatureDigest before the person is asked, so that the bytes
  // signed are the bytes shown).
  TOutcome Sign(const TSigningSubject& subject, std::string_view digest, std::string& base64);
  TOutcome MayRead(const std::string& path, const TFileSource& file);

  std::unique_ptr<IConsent> FConsent;
  std::uint16_t FCodePage;
  const EVP_MD* FSignatureDigest;
  const EVP_MD* FCertificateDigest;
  std::string FLastSerial;
  std::string FLastChosen;          // identity of the certificate chosen last
  std::set<std::string> FWrongPin;  // identities whose last PIN was refused
  std::set<std::pair<std::uint64_t, std::uint64_t>> FChosenFiles;  // device, inode
};

}  // namespace tavrin
