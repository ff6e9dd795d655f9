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

struct THashNumber {
  std::int32_t Number;
  const EVP_MD* (*Md)();
};
constexpr THashNumber kHashNumbers[] = {{1, EVP_sha256}, {2, EVP_sha384}, {3, EVP_sha512}};
constexpr std::int32_t kSha1Number = 4;

const EVP_MD* HashOf(std::int32_t number) {
  for (const THashNumber& entry : kHashNumbers) {
    if (entry.Number == number) return entry.Md();
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

TSigningSubject TextSubject(std::u16string_view text) {
  TTextPreview preview = PreviewOf(text, kPreviewCharacters);
  TSigningSubject subject;
  subject.TextPreview = std::move(preview.Shown);
  subject.TextLength = preview.Length;
  subject.TextHidden = preview.Hidden;
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
TEvpMdCtxPtr DigestContext(const EVP_MD* md) {
  TEvpMdCtxPtr context(EVP_MD_CTX_new());
  if (context && EVP_DigestInit_ex(context.get(), md, nullptr) != 1) context.reset();
  return context;
}

std::string Finish(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

TOutcome Refused(TAnswer answer) {
  if (answer == TAnswer::Cancelled) {
    return TOutcome::Fail(TStatus::Cancelled, "Signing was cancelled; nothing was signed");
  }
  return TOutcome::Fail(TStatus::NotAvailable,
                        "No window could be shown to choose a certificate; nothing was signed");
}

}  // namespace

TSigningLibrary::TSigningLibrary(std::unique_ptr<IConsent> consent)
    : FConsent(std::move(consent)),
      FCodePage(platform::kCodePageUtf8),
      FSignatureDigest(EVP_sha256()),
      FCertificateDigest(EVP_sha256()) {
  EnsureSecureHeap();
}

std::string TSigningLibrary::About() {
  return std::string("Ferolant signing library for Linux " TAVRIN_SIGNER_VERSION
                     " (CAdES-BES with PKCS#11 tokens and PKCS#12 files); ") +
         OpenSSL_version(OPENSSL_VERSION);
}

TOutcome TSigningLibrary::SetCodePage(std::int32_t number) {
  if (number != platform::kCodePageUtf8 && number != platform::kCodePageWindows1250 &&
      number != platform::kCodePageWindows1252) {
    return TOutcome::Fail(TStatus::UnsupportedCodePage,
                          "Code page " + std::to_string(number) +
                              " is not supported; texts are signed in 65001 (UTF-8), 1250 or 1252");
  }
  FCodePage = static_cast<std::uint16_t>(number);
  return TOutcome::Ok();
}

TOutcome TSigningLibrary::SetSignatureHash(std::int32_t number) {
  if (number == kSha1Number) {
    return TOutcome::Fail(TStatus::Sha1NotForSignatures,
                          "SHA-1 (4) is not used for signatures; choose 1 (SHA-256), 2 (SHA-384) "
                          "or 3 (SHA-512)");
  }
  const EVP_MD* md = HashOf(number);
  if (md == nullptr) {
    return TOutcome::Fail(TStatus::UnknownSignatureHash,
                          "Signature hash algorithm " + std::to_string(number) +
                              " is unknown; choose 1 (SHA-256), 2 (SHA-384) or 3 (SHA-512)");
  }
  FSignatureDigest = md;
  return TOutcome::Ok();
}

TOutcome TSigningLibrary::SetCertificateHash(std::int32_t number) {
  const EVP_MD* md = number == kSha1Number ? EVP_sha1() : HashOf(number);
  if (md == nullptr) {
    return TOutcome::Fail(
        TStatus::UnknownCertificateHash,
        "Signing certificate hash algorithm " + std::to_string(number) +
            " is unknown; choose 1 (SHA-256), 2 (SHA-384), 3 (SHA-512) or 4 (SHA-1)");
  }
  FCertificateDigest = md;
  return TOutcome::Ok();
}

TOutcome TSigningLibrary::SignText(std::u16string_view text, std::string& base64) {
  if (text.empty()) return TOutcome::Fail(TStatus::NothingGiven, "There is no text to sign");
  platform::TExactBytes bytes = platform::ConvertWideToCodePageExactly(text, FCodePage);
  if (bytes.Result == platform::TExactBytes::erUnrepresentable) {
    char codePoint[16];
    std::size_t units = 1;
    std::snprintf(codePoint, sizeof codePoint, "U+%04X",
                  static_cast<unsigned>(unicode::CharacterAt(text, bytes.Position, units)));
    return TOutcome::Fail(TStatus::UnrepresentableText,
                          "The text cannot be written in code page " + std::to_string(FCodePage) +
                              ": character " +
                              std::to_string(CharactersBefore(text, bytes.Position) + 1) + " (" +
                              codePoint + ") has no place in it; nothing was signed");
  }
  TEvpMdCtxPtr context = DigestContext(FSignatureDigest);
  if (!context) return TOutcome::Fail(TStatus::OutOfMemory, "Out of memory");
  EVP_DigestUpdate(context.get(), bytes.Bytes.data(), bytes.Bytes.size());
  return Sign(TextSubject(text), Finish(context.get()), base64);
}

// The file is hashed before the person is asked, and that digest is signed: a file that changes
// while its dialog is open changes nothing of the signature. A file that changes while it is
// being hashed is refused.
TOutcome TSigningLibrary::SignFile(const std::string& path, std::string& base64) {
  TOutcome opened;
  TFileSource file(path, opened);
  if (!opened.Succeeded()) return opened;
  TEvpMdCtxPtr toSign = DigestContext(FSignatureDigest);
  TEvpMdCtxPtr shown = DigestContext(EVP_sha256());
  if (!toSign || !shown) return TOutcome::Fail(TStatus::OutOfMemory, "Out of memory");
  std::uint64_t hashed = 0;
  TOutcome read = file.Read([&](std::string_view piece) {
    EVP_DigestUpdate(toSign.get(), piece.data(), piece.size());
    EVP_DigestUpdate(shown.get(), piece.data(), piece.size());
    hashed += piece.size();
  });
  if (!read.Succeeded()) return read;
  if (hashed != file.Size() || !file.Unchanged()) {
    return TOutcome::Fail(
        TStatus::FileChanged,
        "The file \"" + path + "\" changed while it was being read; nothing was signed");
  }
  const std::string sha256 = Finish(shown.get());
  TSigningSubject subject;
  subject.FileName = VisibleName(path);
  subject.FileSize = hashed;
  subject.FileDigest =
      Hex(reinterpret_cast<const unsigned char*>(sha256.data()), kShownDigestBytes);
  return Sign(subject, Finish(toSign.get()), base64);
}

TOutcome TSigningLibrary::Sign(const TSigningSubject& subject, std::string_view digest,
                               std::string& base64) {
  TKeyInventory inventory;
  AddTokens(inventory);
  const auto folder = KeyFolder();
  AddKeyFiles(folder, inventory);
  auto& candidates = inventory.Candidates;
  if (candidates.empty()) {
    if (auto why = ExplainUnusable(inventory.Unusable)) {
      return TOutcome::Fail(TStatus::NoUsableCertificate, *why);
    }
    std::string files = folder.empty() ? "there is no key folder (HOME is not set)"
                                       : "the key folder " + folder.string() +
                                             " holds no PKCS#12 file that can be used";
    for (const std::string& refused : inventory.RefusedKeys) files += "; " + refused;
    return TOutcome::Fail(
        TStatus::NoCertificate,
        "No certificate with a private key was found: no token holds one and " + files);
  }
  // Tokens list their objects in no fixed order; a person who picks "2" twice must get the
  // same certificate twice.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TCandidate& a, const TCandidate& b) {
                     return std::tie(a.Summary.KeyLocation, a.Summary.Subject, a.Identity) <
                            std::tie(b.Summary.KeyLocation, b.Summary.Subject, b.Identity);
                   });
  std::size_t chosen = 0;
  if (candidates.size() >= 2) {
    std::vector<TCertificateSummary> summaries;
    std::size_t preselected = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      summaries.push_back(candidates[i].Summary);
      if (candidates[i].Identity == FLastChosen) preselected = i;
    }
    const TAnswer answer = FConsent->ChooseCertificate(summaries, preselected, chosen);
    if (answer != TAnswer::Accepted) return Refused(answer);
    if (chosen >= candidates.size()) {
      return TOutcome::Fail(TStatus::Cancelled, "No certificate was chosen; nothing was signed");
    }
  }
  TCandidate& candidate = candidates[chosen];
  FLastChosen = candidate.Identity;
  const bool previousWrong = FWrongPin.count(candidate.Identity) != 0;
  TOutcome unlocked = candidate.Key->Unlock(*FConsent, {subject, previousWrong});
  if (unlocked.Status == TStatus::WrongPin) FWrongPin.insert(candidate.Identity);
  if (!unlocked.Succeeded()) return unlocked;
  FWrongPin.erase(candidate.Identity);

  std::string der;
  TOutcome built =
      BuildDetachedCades({*candidate.Key, FSignatureDigest, FCertificateDigest, digest}, der);
  // A PIN-always key's second login may be the one that refuses the PIN.
  if (built.Status == TStatus::WrongPin) FWrongPin.insert(candidate.Identity);
  if (!built.Succeeded()) return built;
  base64 = Base64Of(der);
  FLastSerial = SerialHex(candidate.Key->Certificate());
  return TOutcome::Ok();
}

TOutcome TSigningLibrary::EncodeFile(const std::string& path,
                                     const std::function<char16_t*(std::size_t units)>& allocate) {
  TOutcome opened;
  TFileSource file(path, opened);
  if (!opened.Succeeded()) return opened;
  if (TOutcome allowed = MayRead(path, file); !allowed.Succeeded()) return allowed;
  if (file.Size() > kLargestEncodableFile) {
    return TOutcome::Fail(TStatus::FileTooLarge,
                          "The file \"" + path + "\" is too large to be returned in Base64");
  }
  const std::size_t units = Base64Length(file.Size());
  char16_t* out = allocate(units);
  if (out == nullptr && units != 0) return TOutcome::Fail(TStatus::OutOfMemory, "Out of memory");
  // A file that grew since its size was taken fills the buffer and no more.
  std::size_t written = 0;
  const auto put = [&](std::string_view text) {
    const std::size_t fits = std::min(text.size(), units - written);
    std::copy_n(text.data(), fits, out + written);
    written += fits;
  };
  TBase64Stream encoder;
  TOutcome read = file.Read([&](std::string_view piece) { encoder.Add(piece, put); });
  if (read.Succeeded()) encoder.Finish(put);
  if (read.Succeeded() && written != units) {
    read = TOutcome::Fail(TStatus::UnreadableFile,
                          "The file \"" + path + "\" changed while it was being read");
  }
  return read;
}

// A page may read a file the person chose in this process's file dialog, or one the person
// agrees to give it now; never a key file of the key folder.
TOutcome TSigningLibrary::MayRead(const std::string& path, const TFileSource& file) {
  if (IsKeyFile(KeyFolder(), file.Identity())) {
    return TOutcome::Fail(
        TStatus::KeyFileNotGiven,
        "The file \"" + path + "\" is a key file of the signer; it is never given to a page");
  }
  if (FChosenFiles.count(file.Identity()) != 0) return TOutcome::Ok();
  switch (FConsent->ConfirmFileRead({VisibleName(path), file.Size()})) {
    case TAnswer::Accepted:
      return TOutcome::Ok();
    case TAnswer::Cancelled:
      return TOutcome::Fail(TStatus::Cancelled,
                            "Reading the file \"" + path + "\" was not allowed; nothing was read");
    case TAnswer::Unavailable:
      break;
  }
  return TOutcome::Fail(
      TStatus::NotAvailable,
      "No window could be shown to ask about reading the file \"" + path + "\"; nothing was read");
}

TOutcome TSigningLibrary::LastSerial(std::string& hex) const {
  if (FLastSerial.empty()) {
    return TOutcome::Fail(TStatus::NoSignatureYet, "No signature has been made yet");
  }
  hex = FLastSerial;
  return TOutcome::Ok();
}

TOutcome TSigningLibrary::ChooseFiles(const TFileChooserRequest& request,
                                      std::vector<std::string>& paths) {
  switch (FConsent->ChooseFiles(request, paths)) {
    case TAnswer::Accepted:
      for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) FChosenFiles.insert({info.st_dev, info.st_ino});
      }
      return TOutcome::Ok();
    case TAnswer::Cancelled:
      return TOutcome::Fail(TStatus::Cancelled,
                            "The file dialog was cancelled; no file was chosen");
    case TAnswer::Unavailable:
      break;
  }
  return TOutcome::Fail(
      TStatus::NotAvailable,
      "The file dialog is not available: no window could be shown (no display, or "
      "zenity is not installed)");
}

}  // namespace tavrin
