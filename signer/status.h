#pragma once
// The library's status numbers. They are part of its contract with web pages (README.md lists
// them with their sentences): a number once given keeps its meaning.

#include <cstdint>
#include <string>
#include <utility>

namespace tavrin {

enum class Status : std::int32_t {
  kOk = 0,
  kUnsupportedCodePage = 1,
  kNothingGiven = 2,
  kUnrepresentableText = 3,
  kCancelled = 4,
  kUnreadableFile = 5,
  kNoSignatureYet = 6,
  kUnknownSignatureHash = 7,
  kUnknownCertificateHash = 8,
  kOutOfMemory = 9,
  kSha1NotForSignatures = 10,
  kNoCertificate = 11,
  kNoUsableCertificate = 12,
  kWrongPin = 13,
  kPinLocked = 14,
  kTokenGone = 15,
  kSigningFailed = 16,
  kNotAvailable = 17,
  kFileTooLarge = 18,
  kUnknownDialogMode = 19,
  kKeyFileNotGiven = 20,
  kFileChanged = 21,
};

// A status and the sentence a person reads about it (UTF-8; empty for success).
struct Outcome {
  Status status = Status::kOk;
  std::string sentence;

  static Outcome Ok() { return {}; }
  static Outcome Fail(Status status, std::string sentence) { return {status, std::move(sentence)}; }
  bool ok() const noexcept { return status == Status::kOk; }
};

}  // namespace tavrin
