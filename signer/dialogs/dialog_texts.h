#pragma once
// What the dialogs say, in the person's language: Czech where the locale is Czech, English
// otherwise. Every sentence the dialogs show comes from here.

#include <cstdint>
#include <string>
#include <string_view>

#include "signer/consent.h"

namespace tavrin::dialogs {

enum class Language { kEnglish, kCzech };

// The language of messages as the C library would pick it: LC_ALL, then LC_MESSAGES, then
// LANG, the first that is set and not empty. Null arguments count as unset.
Language LanguageOf(const char* lcAll, const char* lcMessages, const char* lang) noexcept;
Language LanguageFromEnvironment() noexcept;

struct Texts {
  std::string_view chooseTitle, choosePrompt;
  std::string_view certificateDetails;
  std::string_view pinTitle, passwordTitle, confirmTitle;
  std::string_view fileTitle, filesTitle, pageTitle, allFiles;
  std::string_view readTitle, readText, give;
  std::string_view sign, cancel, choose;
  std::string_view pinPrompt, passwordPrompt, pinPadNote, wrongPin, triesLeft;
  std::string_view asks, unknownRequester, textOf, hiddenCharacters, fileOf;
  std::string_view certificateLine, tokenLine, keyFileLine;
  std::string_view bytes;
  char thousands;
};

const Texts& TextsFor(Language language) noexcept;

// "{}" in `pattern` replaced by the arguments in order.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// 1234567 -> "1,234,567" (English) or "1 234 567" (Czech).
std::string GroupDigits(std::uint64_t number, const Texts& texts);

// The lines shared by the PIN entry and the confirmation: who asks, what is signed, with which
// certificate and where its key is.
std::string DescribeRequest(std::string_view requester, const SigningSubject& subject,
                            const CertificateSummary& certificate, bool keyInFile,
                            const Texts& texts);

// Who asks for which file, before its content goes to the extension.
std::string DescribeFileRead(std::string_view requester, const FileReadRequest& request,
                             const Texts& texts);

}  // namespace tavrin::dialogs
