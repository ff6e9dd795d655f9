#include "signer/dialogs/dialog_texts.h"

#include <cstdlib>

namespace tavrin::dialogs {

namespace {

constexpr Texts kEnglish{
    .chooseTitle = "Ferolant \u2013 choose a certificate",
    .choosePrompt =
        "Which certificate should make the signature? Pick it from the list, or type its number.",
    .certificateDetails = "issued by {}, valid from {} to {}, key: {}",
    .pinTitle = "Ferolant \u2013 PIN",
    .passwordTitle = "Ferolant \u2013 key file password",
    .confirmTitle = "Ferolant \u2013 confirm the signature",
    .fileTitle = "Ferolant \u2013 choose a file",
    .filesTitle = "Ferolant \u2013 choose files",
    .pageTitle = "Ferolant \u2013 file for the page: \u201c{}\u201d",
    .allFiles = "All files",
    .readTitle = "Ferolant \u2013 give a file to the page",
    .readText =
        "{} asks for the content of the file {} ({} bytes).\n\nThe whole file goes to "
        "the extension.",
    .give = "Give the file",
    .sign = "Sign",
    .cancel = "Cancel",
    .choose = "Choose",
    .pinPrompt = "PIN of the token:",
    .passwordPrompt = "Password of the key file:",
    .pinPadNote = "After Sign, enter the PIN on the reader's own keypad.",
    .wrongPin = "The PIN given last was wrong.",
    .triesLeft = "Tries left before the token locks: {}.",
    .asks = "{} asks for a signature of",
    .unknownRequester = "An unknown extension",
    .textOf = "a text of {} characters:",
    .hiddenCharacters = "({} more characters are not shown)",
    .fileOf = "the file {}\n({} bytes, SHA-256 {}\u2026)",
    .certificateLine = "Certificate: {}, issued by {}, valid from {} to {}",
    .tokenLine = "Token: {}",
    .keyFileLine = "Key file: {}",
    .bytes = "bytes",
    .thousands = ',',
};

constexpr Texts kCzech{
    .chooseTitle = "Ferolant \u2013 v\u00fdb\u011br certifik\u00e1tu",
    .choosePrompt =
        "Kter\u00fdm certifik\u00e1tem podepsat? Vyberte ho ze seznamu, nebo napi\u0161te jeho "
        "\u010d\u00edslo.",
    .certificateDetails = "vydal {}, platn\u00fd od {} do {}, kl\u00ed\u010d: {}",
    .pinTitle = "Ferolant \u2013 PIN",
    .passwordTitle = "Ferolant \u2013 heslo souboru s kl\u00ed\u010dem",
    .confirmTitle = "Ferolant \u2013 potvrzen\u00ed podpisu",
    .fileTitle = "Ferolant \u2013 v\u00fdb\u011br souboru",
    .filesTitle = "Ferolant \u2013 v\u00fdb\u011br soubor\u016f",
    .pageTitle = "Ferolant \u2013 soubor pro str\u00e1nku: \u201e{}\u201c",
    .allFiles = "V\u0161echny soubory",
    .readTitle = "Ferolant \u2013 p\u0159ed\u00e1n\u00ed souboru str\u00e1nce",
    .readText =
        "{} \u017e\u00e1d\u00e1 o obsah souboru {} ({} bajt\u016f).\n\nCel\u00fd soubor "
        "dostane roz\u0161\u00ed\u0159en\u00ed.",
    .give = "P\u0159edat soubor",
    .sign = "Podepsat",
    .cancel = "Zru\u0161it",
    .choose = "Vybrat",
    .pinPrompt = "PIN tokenu:",
    .passwordPrompt = "Heslo souboru s kl\u00ed\u010dem:",
    .pinPadNote = "Po stisku Podepsat zadejte PIN na kl\u00e1vesnici \u010dte\u010dky.",
    .wrongPin = "Naposledy zadan\u00fd PIN nebyl spr\u00e1vn\u00fd.",
    .triesLeft = "Zb\u00fdvaj\u00edc\u00ed pokusy, ne\u017e se token zablokuje: {}.",
    .asks = "{} \u017e\u00e1d\u00e1 o podpis",
    .unknownRequester = "Nezn\u00e1m\u00e9 roz\u0161\u00ed\u0159en\u00ed",
    .textOf = "textu o d\u00e9lce {} znak\u016f:",
    .hiddenCharacters = "(dal\u0161\u00edch {} znak\u016f se nezobrazuje)",
    .fileOf = "souboru {}\n({} bajt\u016f, SHA-256 {}\u2026)",
    .certificateLine = "Certifik\u00e1t: {}, vydal {}, platn\u00fd od {} do {}",
    .tokenLine = "Token: {}",
    .keyFileLine = "Soubor s kl\u00ed\u010dem: {}",
    .bytes = "bajt\u016f",
    .thousands = ' ',
};

bool IsCzech(std::string_view locale) noexcept {
  return locale.substr(0, 2) == "cs" &&
         (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
}

}  // namespace

Language LanguageOf(const char* lcAll, const char* lcMessages, const char* lang) noexcept {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') {
      return IsCzech(value) ? Language::kCzech : Language::kEnglish;
    }
  }
  return Language::kEnglish;
}

Language LanguageFromEnvironment() noexcept {
  return LanguageOf(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

const Texts& TextsFor(Language language) noexcept {
  return language == Language::kCzech ? kCzech : kEnglish;
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

std::string GroupDigits(std::uint64_t number, const Texts& texts) {
  const std::string digits = std::to_string(number);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += texts.thousands;
    out += digits[i];
  }
  return out;
}

std::string DescribeRequest(std::string_view requester, const SigningSubject& subject,
                            const CertificateSummary& certificate, bool keyInFile,
                            const Texts& texts) {
  std::string out =
      Fill(texts.asks, {requester.empty() ? texts.unknownRequester : requester}) + ' ';
  if (subject.IsFile()) {
    out += Fill(texts.fileOf,
                {subject.fileName, GroupDigits(subject.fileSize, texts), subject.fileDigest});
    out += '\n';
  } else {
    out += Fill(texts.textOf, {GroupDigits(subject.textLength, texts)});
    out += "\n\u201e";
    out += subject.textPreview;
    // What is left out is said, and counted in the unit the preview was cut in.
    if (subject.textHidden > 0) out += "\u2026";
    out += "\u201c\n";
    if (subject.textHidden > 0) {
      out += Fill(texts.hiddenCharacters, {GroupDigits(subject.textHidden, texts)});
      out += '\n';
    }
  }
  out += '\n';
  out += Fill(texts.certificateLine, {certificate.subject, certificate.issuer,
                                      certificate.notBefore, certificate.notAfter});
  out += '\n';
  out += Fill(keyInFile ? texts.keyFileLine : texts.tokenLine, {certificate.keyLocation});
  return out;
}

std::string DescribeFileRead(std::string_view requester, const FileReadRequest& request,
                             const Texts& texts) {
  return Fill(texts.readText, {requester.empty() ? texts.unknownRequester : requester,
                               request.fileName, GroupDigits(request.fileSize, texts)});
}

}  // namespace tavrin::dialogs
