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
std::string Title(std::string_view asked, std::string_view fallback, const TTexts& texts) {
  if (asked.empty()) return std::string(fallback);
  return Fill(texts.PageTitle, {VisibleName(asked)});
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

std::string PinText(const TPinRequest& request, std::string_view requester, const TTexts& texts) {
  std::string text = DescribeRequest(requester, request.Subject, request.Certificate,
                                     request.IsFilePassword, texts);
  text += "\n\n";
  if (request.PreviousAttemptWrong) {
    text += texts.WrongPin;
    text += ' ';
  }
  if (request.TriesLeft) {
    text += Fill(texts.TriesLeft, {std::to_string(*request.TriesLeft)});
  }
  if (request.PreviousAttemptWrong || request.TriesLeft) text += '\n';
  text += request.IsFilePassword ? texts.PasswordPrompt : texts.PinPrompt;
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

std::vector<std::string> FileFilters(std::string_view filter, const TTexts& texts) {
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
  filters.push_back(std::string(texts.AllFiles) + " | *");
  return filters;
}

std::string CertificateItem(const std::vector<TCertificateSummary>& certificates,
                            std::size_t index) {
  const TCertificateSummary& c = certificates[index];
  return std::to_string(index + 1) + ". " + c.Subject + " \u2013 " + c.KeyLocation;
}

// A list of the certificates in full and a drop-down of their short names, the one chosen last
// already in the field: Enter takes it, the arrow keys pick another. (A table would look
// tidier, but zenity's table keeps Enter for itself.)
TArguments CertificateChoiceArguments(const std::vector<TCertificateSummary>& certificates,
                                      std::size_t preselected, const TTexts& texts) {
  std::string text(texts.ChoosePrompt);
  text += '\n';
  for (std::size_t i = 0; i < certificates.size(); ++i) {
    const TCertificateSummary& c = certificates[i];
    text += '\n' + std::to_string(i + 1) + ". " + c.Subject + "\n      ";
    text += Fill(texts.CertificateDetails, {c.Issuer, c.NotBefore, c.NotAfter, c.KeyLocation});
  }
  TArguments args{std::string(kZenity),
                  "--entry",
                  Option("title", texts.ChooseTitle),
                  Option("text", ForMnemonicLabel(text)),
                  Option("ok-label", texts.Choose),
                  Option("cancel-label", texts.Cancel),
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

TArguments PinArguments(const TPinRequest& request, std::string_view requester,
                        const TTexts& texts) {
  return {std::string(kZenity),
          "--entry",
          "--hide-text",
          Option("title", request.IsFilePassword ? texts.PasswordTitle : texts.PinTitle),
          Option("text", ForMnemonicLabel(PinText(request, requester, texts))),
          Option("ok-label", texts.Sign),
          Option("cancel-label", texts.Cancel),
          "--width=560"};
}

TArguments ConfirmArguments(const TConfirmRequest& request, std::string_view requester,
                            const TTexts& texts) {
  std::string text = DescribeRequest(requester, request.Subject, request.Certificate, false, texts);
  if (request.PinPad) {
    text += "\n\n";
    text += texts.PinPadNote;
  }
  return {std::string(kZenity),
          "--question",
          "--no-markup",
          "--default-cancel",
          "--icon-name=dialog-password",
          Option("title", texts.ConfirmTitle),
          Option("text", text),
          Option("ok-label", texts.Sign),
          Option("cancel-label", texts.Cancel),
          "--width=560"};
}

TArguments FileReadArguments(const TFileReadRequest& request, std::string_view requester,
                             const TTexts& texts) {
  return {std::string(kZenity),
          "--question",
          "--no-markup",
          "--default-cancel",
          "--icon-name=dialog-warning",
          Option("title", texts.ReadTitle),
          Option("text", DescribeFileRead(requester, request, texts)),
          Option("ok-label", texts.Give),
          Option("cancel-label", texts.Cancel),
          "--width=560"};
}

TArguments FileChooserArguments(const TFileChooserRequest& request, std::string_view home,
                                const TTexts& texts) {
  TArguments args{
      std::string(kZenity), "--file-selection",
      Option("title",
             Title(request.Title, request.Multiple ? texts.FilesTitle : texts.FileTitle, texts))};
  // zenity opens the folder of the name it is given, or the folder itself when the name ends
  // with a slash; a relative name is taken from the home folder, as a person would expect.
  std::string start;
  if (!request.InitialFolder.empty()) {
    start = request.InitialFolder;
    if (start.back() != '/') start += '/';
  }
  start += request.InitialFile;
  if (!start.empty() && start.front() != '/' && !home.empty()) {
    start = std::string(home) + '/' + start;
  }
  if (!start.empty()) args.push_back(Option("filename", start));
  for (const std::string& filter : FileFilters(request.Filter, texts)) {
    args.push_back(Option("file-filter", filter));
  }
  if (request.Multiple) {
    args.push_back("--multiple");
    args.push_back(Option("separator", std::string(1, kFileSeparator)));
  }
  return args;
}

}  // namespace tavrin::dialogs
