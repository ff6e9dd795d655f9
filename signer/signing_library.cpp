#include "signer/signing_library.h"

#include <openssl/crypto.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "platform/code_page.h"
#include "signer/cades.h"
#include "signer/certificate_check.h"
#include "signer/file_source.h"
#include "signer/key_inventory.h"
#include "signer/visible_text.h"
#include "text/base64.h"
#include "text/unicode.h"

#ifndef TAVRIN_SIGNER_VERSION
#define TAVRIN_SIGNER_VERSION "0"
#endif

namespace tavrin {

namespace {

constexpr std::size_t kPreviewCharacters = 300;
// The bytes of a file's SHA-256 that its dialog shows: enough to tell two versions apart.
constexpr std::size_t kShownDigestBytes = 8;
// What fits a system string: 2^31 - 2 UTF-16 units of Base64.
constexpr std::uint64_t kLargestEncodableFile = (0x7FFFFFFEull / 4) * 3;

struct HashNumber {
  std::int32_t number;
  const EVP_MD* (*md)();
};
constexpr HashNumber kHashNumbers[] = {{1, EVP_sha256}, {2, EVP_sha384}, {3, EVP_sha512}};
constexpr std::int32_t kSha1Number = 4;

const EVP_MD* HashOf(std::int32_t number) {
  for (const HashNumber& entry : kHashNumbers) {
    if (entry.number == number) return entry.md();
  }
  return nullptr;
}

// Characters, counting a surrogate pair as one.
std::size_t CharactersBefore(std::u16string_view text, std::size_t end) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < end; ++i, ++count) {
    if (unicode::IsPairAt(text, i)) ++i;
  }
  return count;
}

SigningSubject TextSubject(std::u16string_view text) {
  TextPreview preview = PreviewOf(text, kPreviewCharacters);
  SigningSubject subject;
  subject.textPreview = std::move(preview.shown);
  subject.textLength = preview.length;
  subject.textHidden = preview.hidden;
  return subject;
}

std::string Hex(const unsigned char* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

// A digest context, or null when out of memory.
EvpMdCtxPtr DigestContext(const EVP_MD* md) {
  EvpMdCtxPtr context(EVP_MD_CTX_new());
  if (context && EVP_DigestInit_ex(context.get(), md, nullptr) != 1) context.reset();
  return context;
}

std::string Finish(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

Outcome Refused(Answer answer) {
  if (answer == Answer::kCancelled) {
    return Outcome::Fail(Status::kCancelled, "Signing was cancelled; nothing was signed");
  }
  return Outcome::Fail(Status::kNotAvailable,
                       "No window could be shown to choose a certificate; nothing was signed");
}

}  // namespace

SigningLibrary::SigningLibrary(std::unique_ptr<Consent> consent)
    : consent_(std::move(consent)),
      codePage_(platform::kCodePageUtf8),
      signatureDigest_(EVP_sha256()),
      certificateDigest_(EVP_sha256()) {
  EnsureSecureHeap();
}

std::string SigningLibrary::About() {
  return std::string("Ferolant signing library for Linux " TAVRIN_SIGNER_VERSION
                     " (CAdES-BES with PKCS#11 tokens and PKCS#12 files); ") +
         OpenSSL_version(OPENSSL_VERSION);
}

Outcome SigningLibrary::SetCodePage(std::int32_t number) {
  if (number != platform::kCodePageUtf8 && number != platform::kCodePageWindows1250 &&
      number != platform::kCodePageWindows1252) {
    return Outcome::Fail(Status::kUnsupportedCodePage,
                         "Code page " + std::to_string(number) +
                             " is not supported; texts are signed in 65001 (UTF-8), 1250 or 1252");
  }
  codePage_ = static_cast<std::uint16_t>(number);
  return Outcome::Ok();
}

Outcome SigningLibrary::SetSignatureHash(std::int32_t number) {
  if (number == kSha1Number) {
    return Outcome::Fail(Status::kSha1NotForSignatures,
                         "SHA-1 (4) is not used for signatures; choose 1 (SHA-256), 2 (SHA-384) "
                         "or 3 (SHA-512)");
  }
  const EVP_MD* md = HashOf(number);
  if (md == nullptr) {
    return Outcome::Fail(Status::kUnknownSignatureHash,
                         "Signature hash algorithm " + std::to_string(number) +
                             " is unknown; choose 1 (SHA-256), 2 (SHA-384) or 3 (SHA-512)");
  }
  signatureDigest_ = md;
  return Outcome::Ok();
}

Outcome SigningLibrary::SetCertificateHash(std::int32_t number) {
  const EVP_MD* md = number == kSha1Number ? EVP_sha1() : HashOf(number);
  if (md == nullptr) {
    return Outcome::Fail(
        Status::kUnknownCertificateHash,
        "Signing certificate hash algorithm " + std::to_string(number) +
            " is unknown; choose 1 (SHA-256), 2 (SHA-384), 3 (SHA-512) or 4 (SHA-1)");
  }
  certificateDigest_ = md;
  return Outcome::Ok();
}

Outcome SigningLibrary::SignText(std::u16string_view text, std::string& base64) {
  if (text.empty()) return Outcome::Fail(Status::kNothingGiven, "There is no text to sign");
  platform::TExactBytes bytes = platform::ConvertWideToCodePageExactly(text, codePage_);
  if (bytes.Result == platform::TExactBytes::erUnrepresentable) {
    char codePoint[16];
    std::size_t units = 1;
    std::snprintf(codePoint, sizeof codePoint, "U+%04X",
                  static_cast<unsigned>(unicode::CharacterAt(text, bytes.Position, units)));
    return Outcome::Fail(Status::kUnrepresentableText,
                         "The text cannot be written in code page " + std::to_string(codePage_) +
                             ": character " +
                             std::to_string(CharactersBefore(text, bytes.Position) + 1) + " (" +
                             codePoint + ") has no place in it; nothing was signed");
  }
  EvpMdCtxPtr context = DigestContext(signatureDigest_);
  if (!context) return Outcome::Fail(Status::kOutOfMemory, "Out of memory");
  EVP_DigestUpdate(context.get(), bytes.Bytes.data(), bytes.Bytes.size());
  return Sign(TextSubject(text), Finish(context.get()), base64);
}

// The file is hashed before the person is asked, and that digest is signed: a file that changes
// while its dialog is open changes nothing of the signature. A file that changes while it is
// being hashed is refused.
Outcome SigningLibrary::SignFile(const std::string& path, std::string& base64) {
  Outcome opened;
  FileSource file(path, opened);
  if (!opened.ok()) return opened;
  EvpMdCtxPtr toSign = DigestContext(signatureDigest_);
  EvpMdCtxPtr shown = DigestContext(EVP_sha256());
  if (!toSign || !shown) return Outcome::Fail(Status::kOutOfMemory, "Out of memory");
  std::uint64_t hashed = 0;
  Outcome read = file.Read([&](std::string_view piece) {
    EVP_DigestUpdate(toSign.get(), piece.data(), piece.size());
    EVP_DigestUpdate(shown.get(), piece.data(), piece.size());
    hashed += piece.size();
  });
  if (!read.ok()) return read;
  if (hashed != file.Size() || !file.Unchanged()) {
    return Outcome::Fail(
        Status::kFileChanged,
        "The file \"" + path + "\" changed while it was being read; nothing was signed");
  }
  const std::string sha256 = Finish(shown.get());
  SigningSubject subject;
  subject.fileName = VisibleName(path);
  subject.fileSize = hashed;
  subject.fileDigest =
      Hex(reinterpret_cast<const unsigned char*>(sha256.data()), kShownDigestBytes);
  return Sign(subject, Finish(toSign.get()), base64);
}

Outcome SigningLibrary::Sign(const SigningSubject& subject, std::string_view digest,
                             std::string& base64) {
  KeyInventory inventory;
  AddTokens(inventory);
  const auto folder = KeyFolder();
  AddKeyFiles(folder, inventory);
  auto& candidates = inventory.candidates;
  if (candidates.empty()) {
    if (auto why = ExplainUnusable(inventory.unusable)) {
      return Outcome::Fail(Status::kNoUsableCertificate, *why);
    }
    std::string files = folder.empty() ? "there is no key folder (HOME is not set)"
                                       : "the key folder " + folder.string() +
                                             " holds no PKCS#12 file that can be used";
    for (const std::string& refused : inventory.refusedKeys) files += "; " + refused;
    return Outcome::Fail(
        Status::kNoCertificate,
        "No certificate with a private key was found: no token holds one and " + files);
  }
  // Tokens list their objects in no fixed order; a person who picks "2" twice must get the
  // same certificate twice.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return std::tie(a.summary.keyLocation, a.summary.subject, a.identity) <
                            std::tie(b.summary.keyLocation, b.summary.subject, b.identity);
                   });
  std::size_t chosen = 0;
  if (candidates.size() >= 2) {
    std::vector<CertificateSummary> summaries;
    std::size_t preselected = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      summaries.push_back(candidates[i].summary);
      if (candidates[i].identity == lastChosen_) preselected = i;
    }
    const Answer answer = consent_->ChooseCertificate(summaries, preselected, chosen);
    if (answer != Answer::kAccepted) return Refused(answer);
    if (chosen >= candidates.size()) {
      return Outcome::Fail(Status::kCancelled, "No certificate was chosen; nothing was signed");
    }
  }
  Candidate& candidate = candidates[chosen];
  lastChosen_ = candidate.identity;
  const bool previousWrong = wrongPin_.count(candidate.identity) != 0;
  Outcome unlocked = candidate.key->Unlock(*consent_, {subject, previousWrong});
  if (unlocked.status == Status::kWrongPin) wrongPin_.insert(candidate.identity);
  if (!unlocked.ok()) return unlocked;
  wrongPin_.erase(candidate.identity);

  std::string der;
  Outcome built =
      BuildDetachedCades({*candidate.key, signatureDigest_, certificateDigest_, digest}, der);
  // A PIN-always key's second login may be the one that refuses the PIN.
  if (built.status == Status::kWrongPin) wrongPin_.insert(candidate.identity);
  if (!built.ok()) return built;
  base64 = Base64Of(der);
  lastSerial_ = SerialHex(candidate.key->Certificate());
  return Outcome::Ok();
}

Outcome SigningLibrary::EncodeFile(const std::string& path,
                                   const std::function<char16_t*(std::size_t units)>& allocate) {
  Outcome opened;
  FileSource file(path, opened);
  if (!opened.ok()) return opened;
  if (Outcome allowed = MayRead(path, file); !allowed.ok()) return allowed;
  if (file.Size() > kLargestEncodableFile) {
    return Outcome::Fail(Status::kFileTooLarge,
                         "The file \"" + path + "\" is too large to be returned in Base64");
  }
  const std::size_t units = Base64Length(file.Size());
  char16_t* out = allocate(units);
  if (out == nullptr && units != 0) return Outcome::Fail(Status::kOutOfMemory, "Out of memory");
  // A file that grew since its size was taken fills the buffer and no more.
  std::size_t written = 0;
  const auto put = [&](std::string_view text) {
    const std::size_t fits = std::min(text.size(), units - written);
    std::copy_n(text.data(), fits, out + written);
    written += fits;
  };
  TBase64Stream encoder;
  Outcome read = file.Read([&](std::string_view piece) { encoder.Add(piece, put); });
  if (read.ok()) encoder.Finish(put);
  if (read.ok() && written != units) {
    read = Outcome::Fail(Status::kUnreadableFile,
                         "The file \"" + path + "\" changed while it was being read");
  }
  return read;
}

// A page may read a file the person chose in this process's file dialog, or one the person
// agrees to give it now; never a key file of the key folder.
Outcome SigningLibrary::MayRead(const std::string& path, const FileSource& file) {
  if (IsKeyFile(KeyFolder(), file.Identity())) {
    return Outcome::Fail(
        Status::kKeyFileNotGiven,
        "The file \"" + path + "\" is a key file of the signer; it is never given to a page");
  }
  if (chosenFiles_.count(file.Identity()) != 0) return Outcome::Ok();
  switch (consent_->ConfirmFileRead({VisibleName(path), file.Size()})) {
    case Answer::kAccepted:
      return Outcome::Ok();
    case Answer::kCancelled:
      return Outcome::Fail(Status::kCancelled,
                           "Reading the file \"" + path + "\" was not allowed; nothing was read");
    case Answer::kUnavailable:
      break;
  }
  return Outcome::Fail(
      Status::kNotAvailable,
      "No window could be shown to ask about reading the file \"" + path + "\"; nothing was read");
}

Outcome SigningLibrary::LastSerial(std::string& hex) const {
  if (lastSerial_.empty()) {
    return Outcome::Fail(Status::kNoSignatureYet, "No signature has been made yet");
  }
  hex = lastSerial_;
  return Outcome::Ok();
}

Outcome SigningLibrary::ChooseFiles(const FileChooserRequest& request,
                                    std::vector<std::string>& paths) {
  switch (consent_->ChooseFiles(request, paths)) {
    case Answer::kAccepted:
      for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) chosenFiles_.insert({info.st_dev, info.st_ino});
      }
      return Outcome::Ok();
    case Answer::kCancelled:
      return Outcome::Fail(Status::kCancelled, "The file dialog was cancelled; no file was chosen");
    case Answer::kUnavailable:
      break;
  }
  return Outcome::Fail(Status::kNotAvailable,
                       "The file dialog is not available: no window could be shown (no display, or "
                       "zenity is not installed)");
}

}  // namespace tavrin
