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

class FileSource;

class SigningLibrary {
 public:
  explicit SigningLibrary(std::unique_ptr<Consent> consent);

  static std::string About();

  Outcome SetCodePage(std::int32_t number);
  std::uint16_t CodePage() const noexcept { return codePage_; }
  Outcome SetSignatureHash(std::int32_t number);
  Outcome SetCertificateHash(std::int32_t number);

  // Detached CAdES signatures in Base64: of the text's bytes in the configured code page, and of
  // a file's bytes.
  Outcome SignText(std::u16string_view text, std::string& base64);
  Outcome SignFile(const std::string& path, std::string& base64);

  // The file in Base64, written into the buffer that `allocate` returns for that many units
  // (null when out of memory). Only a file chosen in ChooseFiles during this library's life, or
  // one the person agrees to give in a dialog; never a key file of the key folder.
  Outcome EncodeFile(const std::string& path,
                     const std::function<char16_t*(std::size_t units)>& allocate);

  // The serial number of the certificate behind the last signature, in upper-case hex.
  Outcome LastSerial(std::string& hex) const;

  Outcome ChooseFiles(const FileChooserRequest& request, std::vector<std::string>& paths);

 private:
  // Signs `digest` (made with signatureDigest_ before the person is asked, so that the bytes
  // signed are the bytes shown).
  Outcome Sign(const SigningSubject& subject, std::string_view digest, std::string& base64);
  Outcome MayRead(const std::string& path, const FileSource& file);

  std::unique_ptr<Consent> consent_;
  std::uint16_t codePage_;
  const EVP_MD* signatureDigest_;
  const EVP_MD* certificateDigest_;
  std::string lastSerial_;
  std::string lastChosen_;          // identity of the certificate chosen last
  std::set<std::string> wrongPin_;  // identities whose last PIN was refused
  std::set<std::pair<std::uint64_t, std::uint64_t>> chosenFiles_;  // device, inode
};

}  // namespace tavrin
