#include "signer/dialogs/zenity_arguments.h"

#include "signer/visible_text.h"

namespace tavrin::dialogs {

namespace {

std::string Option(std::string_view name, std::string_view value) {
  std::string out = "--";
  out += name;
  out += '=';
  out += value;
  return out;
}

// A title the page asked for is shown as the page's words, after the product's name, so that it
// cannot pose as one of the signer's own dialogs.
std::string Title(std::string_view asked, std::string_view fallback, const Texts& texts) {
  if (asked.empty()) return std::string(fallback);
  return Fill(texts.pageTitle, {VisibleName(asked)});
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Patterns(std::string_view list) {
  std::string out;
  for (std::string_view pattern : Split(list, ';')) {
    pattern = Trim(pattern);
    if (pattern.empty()) continue;
    if (!out.empty()) out += ' ';
    out += pattern;
  }
  return out;
}

std::string PinText(const PinRequest& request, std::string_view requester, const Texts& texts) {
  std::string text = DescribeRequest(requester, request.subject, request.certificate,
                                     request.isFilePassword, texts);
  text += "\n\n";
  if (request.previousAttemptWrong) {
    text += texts.wrongPin;
    text += ' ';
  }
  if (request.triesLeft) {
    text += Fill(texts.triesLeft, {std::to_string(*request.triesLeft)});
  }
  if (request.previousAttemptWrong || request.triesLeft) text += '\n';
  text += request.isFilePassword ? texts.passwordPrompt : texts.pinPrompt;
  return text;
}

}  // namespace

std::string ForMnemonicLabel(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '_') out += c;
    out += c;
  }
  return out;
}

std::string ForMarkupLabel(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::vector<std::string> FileFilters(std::string_view filter, const Texts& texts) {
  std::vector<std::string> filters;
  if (Trim(filter).empty()) return filters;
  const std::vector<std::string_view> parts = Split(filter, '|');
  if (parts.size() == 1) {
    filters.push_back(Patterns(parts[0]));
  } else {
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
      const std::string patterns = Patterns(parts[i + 1]);
      if (patterns.empty()) continue;
      filters.push_back(std::string(Trim(parts[i])) + " | " + patterns);
    }
  }
  filters.push_back(std::string(texts.allFiles) + " | *");
  return filters;
}

std::string CertificateItem(const std::vector<CertificateSummary>& certificates,
                            std::size_t index) {
  const CertificateSummary& c = certificates[index];
  return std::to_string(index + 1) + ". " + c.subject + " \u2013 " + c.keyLocation;
}

// A list of the certificates in full and a drop-down of their short names, the one chosen last
// already in the field: Enter takes it, the arrow keys pick another. (A table would look
// tidier, but zenity's table keeps Enter for itself.)
Arguments CertificateChoiceArguments(const std::vector<CertificateSummary>& certificates,
                                     std::size_t preselected, const Texts& texts) {
  std::string text(texts.choosePrompt);
  text += '\n';
  for (std::size_t i = 0; i < certificates.size(); ++i) {
    const CertificateSummary& c = certificates[i];
    text += '\n' + std::to_string(i + 1) + ". " + c.subject + "\n      ";
    text += Fill(texts.certificateDetails, {c.issuer, c.notBefore, c.notAfter, c.keyLocation});
  }
  Arguments args{std::string(kZenity),
                 "--entry",
                 Option("title", texts.chooseTitle),
                 Option("text", ForMnemonicLabel(text)),
                 Option("ok-label", texts.choose),
                 Option("cancel-label", texts.cancel),
                 "--width=620"};
  if (preselected < certificates.size()) {
    args.push_back(Option("entry-text", CertificateItem(certificates, preselected)));
  }
  args.push_back("--");
  for (std::size_t i = 0; i < certificates.size(); ++i) {
    args.push_back(CertificateItem(certificates, i));
  }
  return args;
}

Arguments PinArguments(const PinRequest& request, std::string_view requester, const Texts& texts) {
  return {std::string(kZenity),
          "--entry",
          "--hide-text",
          Option("title", request.isFilePassword ? texts.passwordTitle : texts.pinTitle),
          Option("text", ForMnemonicLabel(PinText(request, requester, texts))),
          Option("ok-label", texts.sign),
          Option("cancel-label", texts.cancel),
          "--width=560"};
}

Arguments ConfirmArguments(const ConfirmRequest& request, std::string_view requester,
                           const Texts& texts) {
  std::string text = DescribeRequest(requester, request.subject, request.certificate, false, texts);
  if (request.pinPad) {
    text += "\n\n";
    text += texts.pinPadNote;
  }
  return {std::string(kZenity),
          "--question",
          "--no-markup",
          "--default-cancel",
          "--icon-name=dialog-password",
          Option("title", texts.confirmTitle),
          Option("text", text),
          Option("ok-label", texts.sign),
          Option("cancel-label", texts.cancel),
          "--width=560"};
}

Arguments FileReadArguments(const FileReadRequest& request, std::string_view requester,
                            const Texts& texts) {
  return {std::string(kZenity),
          "--question",
          "--no-markup",
          "--default-cancel",
          "--icon-name=dialog-warning",
          Option("title", texts.readTitle),
          Option("text", DescribeFileRead(requester, request, texts)),
          Option("ok-label", texts.give),
          Option("cancel-label", texts.cancel),
          "--width=560"};
}

Arguments FileChooserArguments(const FileChooserRequest& request, std::string_view home,
                               const Texts& texts) {
  Arguments args{
      std::string(kZenity), "--file-selection",
      Option("title",
             Title(request.title, request.multiple ? texts.filesTitle : texts.fileTitle, texts))};
  // zenity opens the folder of the name it is given, or the folder itself when the name ends
  // with a slash; a relative name is taken from the home folder, as a person would expect.
  std::string start;
  if (!request.initialFolder.empty()) {
    start = request.initialFolder;
    if (start.back() != '/') start += '/';
  }
  start += request.initialFile;
  if (!start.empty() && start.front() != '/' && !home.empty()) {
    start = std::string(home) + '/' + start;
  }
  if (!start.empty()) args.push_back(Option("filename", start));
  for (const std::string& filter : FileFilters(request.filter, texts)) {
    args.push_back(Option("file-filter", filter));
  }
  if (request.multiple) {
    args.push_back("--multiple");
    args.push_back(Option("separator", std::string(1, kFileSeparator)));
  }
  return args;
}

}  // namespace tavrin::dialogs
