#pragma once
// What the dialogs say, in the person's language: Czech where the locale is Czech, English
// otherwise. Every sentence the dialogs show comes from here.

#include <cstdint>
#include <string>
#include <string_view>

#include "signer/consent.h"

namespace tavrin::dialogs {

enum class TLanguage { English, Czech };

// The language of messages as the C library would pick it: LC_ALL, then LC_MESSAGES, then
// LANG, the first that is set and not empty. Null arguments count as unset.
TLanguage LanguageOf(const char* lcAll, const char* lcMessages, const char* lang) noexcept;
TLanguage LanguageFromEnvironment() noexcept;

struct TTexts {
  std::string_view ChooseTitle, ChoosePrompt;
  std::string_view CertificateDetails;
  std::string_view PinTitle, PasswordTitle, ConfirmTitle;
  std::string_view FileTitle, FilesTitle, PageTitle, AllFiles;
  std::string_view ReadTitle, ReadText, Give;
  std::string_view Sign, Cancel, Choose;
  std::string_view PinPrompt, PasswordPrompt, PinPadNote, WrongPin, TriesLeft;
  std::string_view Asks, UnknownRequester, TextOf, HiddenCharacters, FileOf;
  std::string_view CertificateLine, TokenLine, KeyFileLine;
  std::string_view Bytes;
  char Thousands;
};

const TTexts& TextsFor(TLanguage language) noexcept;

// "{}" in `pattern` replaced by the arguments in order.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// 1234567 -> "1,234,567" (English) or "1 234 567" (Czech).
std::string GroupDigits(std::uint64_t number, const TTexts& texts);

// The lines shared by the PIN entry and the confirmation: who asks, what is signed, with which
// certificate and where its key is.
std::string DescribeRequest(std::string_view requester, const TSigningSubject& subject,
                            const TCertificateSummary& certificate, bool keyInFile,
                            const TTexts& texts);

// Who asks for which file, before its content goes to the extension.
std::string DescribeFileRead(std::string_view requester, const TFileReadRequest& request,
                             const TTexts& texts);

}  // namespace tavrin::dialogs
