#include "signer/dialogs/dialog_texts.h"

#include <cstdlib>

namespace tavrin::dialogs {

namespace {

constexpr TTexts kEnglish{
    .ChooseTitle = "Ferolant \u2013 choose a certificate",
    .ChoosePrompt =
        "Which certificate should make the signature? Pick it from the list, or type its number.",
    .CertificateDetails = "issued by {}, valid from {} to {}, key: {}",
    .PinTitle = "Ferolant \u2013 PIN",
    .PasswordTitle = "Ferolant \u2013 key file password",
    .ConfirmTitle = "Ferolant \u2013 confirm the signature",
    .FileTitle = "Ferolant \u2013 choose a file",
    .FilesTitle = "Ferolant \u2013 choose files",
    .PageTitle = "Ferolant \u2013 file for the page: \u201c{}\u201d",
    .AllFiles = "All files",
    .ReadTitle = "Ferolant \u2013 give a file to the page",
    .ReadText =
        "{} asks for the content of the file {} ({} bytes).\n\nThe whole file goes to "
        "the extension.",
    .Give = "Give the file",
    .Sign = "Sign",
    .Cancel = "Cancel",
    .Choose = "Choose",
    .PinPrompt = "PIN of the token:",
    .PasswordPrompt = "Password of the key file:",
    .PinPadNote = "After Sign, enter the PIN on the reader's own keypad.",
    .WrongPin = "The PIN given last was wrong.",
    .TriesLeft = "Tries left before the token locks: {}.",
    .Asks = "{} asks for a signature of",
    .UnknownRequester = "An unknown extension",
    .TextOf = "a text of {} characters:",
    .HiddenCharacters = "({} more characters are not shown)",
    .FileOf = "the file {}\n({} bytes, SHA-256 {}\u2026)",
    .CertificateLine = "Certificate: {}, issued by {}, valid from {} to {}",
    .TokenLine = "Token: {}",
    .KeyFileLine = "Key file: {}",
    .Bytes = "bytes",
    .Thousands = ',',
};

constexpr TTexts kCzech{
    .ChooseTitle = "Ferolant \u2013 v\u00fdb\u011br certifik\u00e1tu",
    .ChoosePrompt =
        "Kter\u00fdm certifik\u00e1tem podepsat? Vyberte ho ze seznamu, nebo napi\u0161te jeho "
        "\u010d\u00edslo.",
    .CertificateDetails = "vydal {}, platn\u00fd od {} do {}, kl\u00ed\u010d: {}",
    .PinTitle = "Ferolant \u2013 PIN",
    .PasswordTitle = "Ferolant \u2013 heslo souboru s kl\u00ed\u010dem",
    .ConfirmTitle = "Ferolant \u2013 potvrzen\u00ed podpisu",
    .FileTitle = "Ferolant \u2013 v\u00fdb\u011br souboru",
    .FilesTitle = "Ferolant \u2013 v\u00fdb\u011br soubor\u016f",
    .PageTitle = "Ferolant \u2013 soubor pro str\u00e1nku: \u201e{}\u201c",
    .AllFiles = "V\u0161echny soubory",
    .ReadTitle = "Ferolant \u2013 p\u0159ed\u00e1n\u00ed souboru str\u00e1nce",
    .ReadText =
        "{} \u017e\u00e1d\u00e1 o obsah souboru {} ({} bajt\u016f).\n\nCel\u00fd soubor "
        "dostane roz\u0161\u00ed\u0159en\u00ed.",
    .Give = "P\u0159edat soubor",
    .Sign = "Podepsat",
    .Cancel = "Zru\u0161it",
    .Choose = "Vybrat",
    .PinPrompt = "PIN tokenu:",
    .PasswordPrompt = "Heslo souboru s kl\u00ed\u010dem:",
    .PinPadNote = "Po stisku Podepsat zadejte PIN na kl\u00e1vesnici \u010dte\u010dky.",
    .WrongPin = "Naposledy zadan\u00fd PIN nebyl spr\u00e1vn\u00fd.",
    .TriesLeft = "Zb\u00fdvaj\u00edc\u00ed pokusy, ne\u017e se token zablokuje: {}.",
    .Asks = "{} \u017e\u00e1d\u00e1 o podpis",
    .UnknownRequester = "Nezn\u00e1m\u00e9 roz\u0161\u00ed\u0159en\u00ed",
    .TextOf = "textu o d\u00e9lce {} znak\u016f:",
    .HiddenCharacters = "(dal\u0161\u00edch {} znak\u016f se nezobrazuje)",
    .FileOf = "souboru {}\n({} bajt\u016f, SHA-256 {}\u2026)",
    .CertificateLine = "Certifik\u00e1t: {}, vydal {}, platn\u00fd od {} do {}",
    .TokenLine = "Token: {}",
    .KeyFileLine = "Soubor s kl\u00ed\u010dem: {}",
    .Bytes = "bajt\u016f",
    .Thousands = ' ',
};

bool IsCzech(std::string_view locale) noexcept {
  return locale.substr(0, 2) == "cs" &&
         (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
}

}  // namespace

TLanguage LanguageOf(const char* lcAll, const char* lcMessages, const char* lang) noexcept {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') {
      return IsCzech(value) ? TLanguage::Czech : TLanguage::English;
    }
  }
  return TLanguage::English;
}

TLanguage LanguageFromEnvironment() noexcept {
  return LanguageOf(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

const TTexts& TextsFor(TLanguage language) noexcept {
  return language == TLanguage::Czech ? kCzech : kEnglish;
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
  std::string out;
  auto next = arguments.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "{}") == 0 && next != arguments.end()) {
      out += *next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string GroupDigits(std::uint64_t number, const TTexts& texts) {
  const std::string digits = std::to_string(number);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += texts.Thousands;
    out += digits[i];
  }
  return out;
}

std::string DescribeRequest(std::string_view requester, const TSigningSubject& subject,
                            const TCertificateSummary& certificate, bool keyInFile,
                            const TTexts& texts) {
  std::string out =
      Fill(texts.Asks, {requester.empty() ? texts.UnknownRequester : requester}) + ' ';
  if (subject.IsFile()) {
    out += Fill(texts.FileOf,
                {subject.FileName, GroupDigits(subject.FileSize, texts), subject.FileDigest});
    out += '\n';
  } else {
    out += Fill(texts.TextOf, {GroupDigits(subject.TextLength, texts)});
    out += "\n\u201e";
    out += subject.TextPreview;
    // What is left out is said, and counted in the unit the preview was cut in.
    if (subject.TextHidden > 0) out += "\u2026";
    out += "\u201c\n";
    if (subject.TextHidden > 0) {
      out += Fill(texts.HiddenCharacters, {GroupDigits(subject.TextHidden, texts)});
      out += '\n';
    }
  }
  out += '\n';
  out += Fill(texts.CertificateLine, {certificate.Subject, certificate.Issuer,
                                      certificate.NotBefore, certificate.NotAfter});
  out += '\n';
  out += Fill(keyInFile ? texts.KeyFileLine : texts.TokenLine, {certificate.KeyLocation});
  return out;
}

std::string DescribeFileRead(std::string_view requester, const TFileReadRequest& request,
                             const TTexts& texts) {
  return Fill(texts.ReadText, {requester.empty() ? texts.UnknownRequester : requester,
                               request.FileName, GroupDigits(request.FileSize, texts)});
}

}  // namespace tavrin::dialogs
