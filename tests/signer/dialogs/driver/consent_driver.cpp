// Shows one of the production dialogs with fixed example contents and prints the answer, so that
// a script can drive the real windows without a token:
//
//   consent_driver choose|pin|password|confirm|pinpad|file|files
//
// A typed PIN is compared with the line on standard input and never printed.
#include <iostream>
#include <string>
#include <string_view>

#include "signer/consent.h"

namespace {

using tavrin::Answer;

const char* Name(Answer answer) {
  switch (answer) {
    case Answer::kAccepted:
      return "accepted";
    case Answer::kCancelled:
      return "cancelled";
    case Answer::kUnavailable:
      return "unavailable";
  }
  return "?";
}

tavrin::CertificateSummary Certificate(std::string subject, std::string location) {
  return {std::move(subject), "Ferolant Test CA", "2026-01-01", "2028-01-01", std::move(location)};
}

tavrin::SigningSubject Text() {
  tavrin::SigningSubject s;
  s.textPreview =
      "Objedn\u00e1vka \u010d. 2026/118\nDod\u00e1vka: 12 ks \u017elut\u00fdch "
      "tu\u017eek <b>&amp; spol.</b> \\n_1_";
  s.textLength = 1834;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view what = argc > 1 ? argv[1] : "";
  const auto consent = tavrin::MakeDialogConsent();
  Answer answer = Answer::kUnavailable;
  if (what == "choose") {
    std::size_t chosen = 99;
    answer = consent->ChooseCertificate(
        {Certificate("Jana Nov\u00e1kov\u00e1 (RSA)", "SoftHSM token Ferolant"),
         Certificate("Jana Nov\u00e1kov\u00e1 (EC)", "SoftHSM token Ferolant"),
         Certificate("Jan Dvo\u0159\u00e1k", "dvorak.p12")},
        1, chosen);
    std::cout << Name(answer) << ' ' << chosen << '\n';
  } else if (what == "pin" || what == "password") {
    tavrin::PinRequest request;
    request.certificate = Certificate("Jana Nov\u00e1kov\u00e1", "SoftHSM token Ferolant");
    request.subject = Text();
    request.isFilePassword = what == "password";
    request.previousAttemptWrong = true;
    request.triesLeft = 2;
    tavrin::Secret pin;
    answer = consent->AskPin(request, pin);
    std::string expected;
    std::getline(std::cin, expected);
    std::cout << Name(answer) << ' ' << (pin.View() == expected ? "same" : "different") << '\n';
  } else if (what == "confirm" || what == "pinpad") {
    tavrin::ConfirmRequest request{
        Certificate("Jana Nov\u00e1kov\u00e1", "SoftHSM token Ferolant"), {}, what == "pinpad"};
    request.subject.fileName = "/home/jana/smlouva.pdf";
    request.subject.fileSize = 1234567;
    answer = consent->Confirm(request);
    std::cout << Name(answer) << '\n';
  } else if (what == "file" || what == "files") {
    tavrin::FileChooserRequest request;
    request.title = argc > 2 ? argv[2] : "";
    request.initialFolder = argc > 3 ? argv[3] : "";
    request.filter = argc > 4 ? argv[4] : "";
    request.multiple = what == "files";
    std::vector<std::string> paths;
    answer = consent->ChooseFiles(request, paths);
    std::cout << Name(answer);
    for (const auto& p : paths) std::cout << ' ' << p;
    std::cout << '\n';
  } else {
    std::cerr << "usage: consent_driver choose|pin|password|confirm|pinpad|file|files\n";
    return 2;
  }
  return answer == Answer::kAccepted ? 0 : 1;
}
