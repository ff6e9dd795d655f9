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
struct TCertificateSummary {
  std::string Subject;      // the subject's common name, or the whole subject name
  std::string Issuer;       // likewise for the issuer
  std::string NotBefore;    // "2026-01-31"
  std::string NotAfter;     // "2027-01-31"
  std::string KeyLocation;  // the token's label, or the PKCS#12 file's name
};

// What is about to be signed, as the dialog shows it. Exactly one of text and file is described.
// Texts and names come with markers for what a window cannot show (visible_text.h).
struct TSigningSubject {
  std::string TextPreview;       // the first characters of a text, at most a few hundred
  std::uint64_t TextLength = 0;  // the whole text's length in characters
  std::uint64_t TextHidden = 0;  // the characters after the preview, not shown
  std::string FileName;          // a file's name (its path), empty for a text
  std::uint64_t FileSize = 0;    // the file's size in bytes, as hashed
  std::string FileDigest;        // the start of the file's SHA-256, in hex, as hashed
  bool IsFile() const noexcept { return !FileName.empty(); }
};

// One request for a PIN (a token) or a password (a PKCS#12 file).
struct TPinRequest {
  TCertificateSummary Certificate;
  TSigningSubject Subject;
  bool IsFilePassword = false;        // a PKCS#12 file's password rather than a token's PIN
  bool PreviousAttemptWrong = false;  // the last PIN given for this key was refused
  std::optional<int> TriesLeft;       // where the token tells; nullopt when it does not
};

// Sign and Cancel for a key that needs no PIN from us (already logged in, or a PIN pad).
struct TConfirmRequest {
  TCertificateSummary Certificate;
  TSigningSubject Subject;
  bool PinPad = false;  // the token will ask on its own keypad after Sign
};

// GETFILENAMEDLG's texts and mode, as the library received them (UTF-8).
struct TFileChooserRequest {
  std::string Title;
  std::string InitialFile;
  std::string Filter;
  std::string InitialFolder;
  bool Multiple = false;  // several files may be chosen
};

// ENCODEFILE of a file that the person did not choose in this process's file dialog.
struct TFileReadRequest {
  std::string FileName;  // shown with markers, as TSigningSubject's
  std::uint64_t FileSize = 0;
};

enum class TAnswer {
  Accepted,
  Cancelled,    // the person said no (Cancel, Escape, closed the window)
  Unavailable,  // no dialog could be shown (no display, no toolkit); nothing was asked
};

class IConsent {
 public:
  virtual ~IConsent() = default;

  // Called only with two or more certificates; `preselected` indexes the one chosen last.
  virtual TAnswer ChooseCertificate(const std::vector<TCertificateSummary>& certificates,
                                    std::size_t preselected, std::size_t& chosen) = 0;
  virtual TAnswer AskPin(const TPinRequest& request, TSecret& pin) = 0;
  virtual TAnswer Confirm(const TConfirmRequest& request) = 0;
  virtual TAnswer ChooseFiles(const TFileChooserRequest& request,
                              std::vector<std::string>& paths) = 0;
  // May the requesting extension have this file's content?
  virtual TAnswer ConfirmFileRead(const TFileReadRequest& request) = 0;
};

// The real dialogs. Never null; where no dialog can be shown, every call says kUnavailable.
std::unique_ptr<IConsent> MakeDialogConsent();

}  // namespace tavrin
