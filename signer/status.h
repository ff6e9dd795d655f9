#pragma once
// The library's status numbers. They are part of its contract with web pages (README.md lists
// them with their sentences): a number once given keeps its meaning.

#include <cstdint>
#include <string>
#include <utility>

namespace tavrin {

enum class TStatus : std::int32_t {
  Ok = 0,
  UnsupportedCodePage = 1,
  NothingGiven = 2,
  UnrepresentableText = 3,
  Cancelled = 4,
  UnreadableFile = 5,
  NoSignatureYet = 6,
  UnknownSignatureHash = 7,
  UnknownCertificateHash = 8,
  OutOfMemory = 9,
  Sha1NotForSignatures = 10,
  NoCertificate = 11,
  NoUsableCertificate = 12,
  WrongPin = 13,
  PinLocked = 14,
  TokenGone = 15,
  SigningFailed = 16,
  NotAvailable = 17,
  FileTooLarge = 18,
  UnknownDialogMode = 19,
  KeyFileNotGiven = 20,
  FileChanged = 21,
};

// A status and the sentence a person reads about it (UTF-8; empty for success).
struct TOutcome {
  TStatus Status = TStatus::Ok;
  std::string Sentence;

  static TOutcome Ok() { return {}; }
  static TOutcome Fail(TStatus Status, std::string Sentence) {
    return {Status, std::move(Sentence)};
  }
  bool Succeeded() const noexcept { return Status == TStatus::Ok; }
};

}  // namespace tavrin
