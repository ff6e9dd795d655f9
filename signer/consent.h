#pragma once
// The person in the loop. Every signature passes through one of these calls before the key is
// used, and every file name the library hands back was chosen through one. Production builds get
// their Consent from MakeDialogConsent() (real windows); only test builds have another source.
//
// Texts are UTF-8. A call that returns anything but kAccepted leaves its out-parameters untouched.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "signer/secret.h"

namespace tavrin {

// What a person needs to tell one certificate from another.
struct CertificateSummary {
  std::string subject;      // the subject's common name, or the whole subject name
  std::string issuer;       // likewise for the issuer
  std::string notBefore;    // "2026-01-31"
  std::string notAfter;     // "2027-01-31"
  std::string keyLocation;  // the token's label, or the PKCS#12 file's name
};

// What is about to be signed, as the dialog shows it. Exactly one of text and file is described.
// Texts and names come with markers for what a window cannot show (visible_text.h).
struct SigningSubject {
  std::string textPreview;       // the first characters of a text, at most a few hundred
  std::uint64_t textLength = 0;  // the whole text's length in characters
  std::uint64_t textHidden = 0;  // the characters after the preview, not shown
  std::string fileName;          // a file's name (its path), empty for a text
  std::uint64_t fileSize = 0;    // the file's size in bytes, as hashed
  std::string fileDigest;        // the start of the file's SHA-256, in hex, as hashed
  bool IsFile() const noexcept { return !fileName.empty(); }
};

// One request for a PIN (a token) or a password (a PKCS#12 file).
struct PinRequest {
  CertificateSummary certificate;
  SigningSubject subject;
  bool isFilePassword = false;        // a PKCS#12 file's password rather than a token's PIN
  bool previousAttemptWrong = false;  // the last PIN given for this key was refused
  std::optional<int> triesLeft;       // where the token tells; nullopt when it does not
};

// Sign and Cancel for a key that needs no PIN from us (already logged in, or a PIN pad).
struct ConfirmRequest {
  CertificateSummary certificate;
  SigningSubject subject;
  bool pinPad = false;  // the token will ask on its own keypad after Sign
};

// GETFILENAMEDLG's texts and mode, as the library received them (UTF-8).
struct FileChooserRequest {
  std::string title;
  std::string initialFile;
  std::string filter;
  std::string initialFolder;
  bool multiple = false;  // several files may be chosen
};

// ENCODEFILE of a file that the person did not choose in this process's file dialog.
struct FileReadRequest {
  std::string fileName;  // shown with markers, as SigningSubject's
  std::uint64_t fileSize = 0;
};

enum class Answer {
  kAccepted,
  kCancelled,    // the person said no (Cancel, Escape, closed the window)
  kUnavailable,  // no dialog could be shown (no display, no toolkit); nothing was asked
};

class Consent {
 public:
  virtual ~Consent() = default;

  // Called only with two or more certificates; `preselected` indexes the one chosen last.
  virtual Answer ChooseCertificate(const std::vector<CertificateSummary>& certificates,
                                   std::size_t preselected, std::size_t& chosen) = 0;
  virtual Answer AskPin(const PinRequest& request, Secret& pin) = 0;
  virtual Answer Confirm(const ConfirmRequest& request) = 0;
  virtual Answer ChooseFiles(const FileChooserRequest& request,
                             std::vector<std::string>& paths) = 0;
  // May the requesting extension have this file's content?
  virtual Answer ConfirmFileRead(const FileReadRequest& request) = 0;
};

// The real dialogs. Never null; where no dialog can be shown, every call says kUnavailable.
std::unique_ptr<Consent> MakeDialogConsent();

}  // namespace tavrin
