// The test build's person: answers come from the file named in FEROLANT_TEST_CONSENT_FILE, read
// anew at every question, one "question=answer" a line:
//   choose=<subject>   the certificate whose subject is that (choose=cancel: Cancel)
//   pin=<text>         the PIN or password (pin=cancel: Cancel)
//   confirm=yes|no
//   read=yes|no        ENCODEFILE of a file not chosen in the file dialog
//   remove=<folder>    removed after the PIN or confirmation is given: a token that goes away
// A question without a line is kUnavailable. Each question is appended to the file named in
// FEROLANT_TEST_CONSENT_LOG, without the answer. This library is never installed or packaged.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "signer/library_consent.h"

namespace tavrin {

namespace {

std::map<std::string, std::string> Answers() {
  std::map<std::string, std::string> answers;
  const char* path = std::getenv("FEROLANT_TEST_CONSENT_FILE");
  std::ifstream in(path != nullptr ? path : "");
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) answers[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return answers;
}

void Log(const std::string& line) {
  if (const char* path = std::getenv("FEROLANT_TEST_CONSENT_LOG")) {
    std::ofstream(path, std::ios::app) << line << '\n';
  }
}

void RemoveWhatGoesAway(const std::map<std::string, std::string>& answers) {
  if (const auto it = answers.find("remove"); it != answers.end()) {
    std::filesystem::remove_all(it->second);
  }
}

class TScriptedConsent final : public IConsent {
 public:
  TAnswer ChooseCertificate(const std::vector<TCertificateSummary>& certificates,
                            std::size_t preselected, std::size_t& chosen) override {
    Log("choose " + std::to_string(certificates.size()) +
        " preselected=" + certificates[preselected].Subject);
    const auto answers = Answers();
    const auto it = answers.find("choose");
    if (it == answers.end()) return TAnswer::Unavailable;
    for (std::size_t i = 0; i < certificates.size(); ++i) {
      if (certificates[i].Subject == it->second) {
        chosen = i;
        return TAnswer::Accepted;
      }
    }
    return TAnswer::Cancelled;
  }

  TAnswer AskPin(const TPinRequest& request, TSecret& pin) override {
    Log(std::string(request.IsFilePassword ? "password" : "pin") +
        " for=" + request.Certificate.Subject +
        " previousWrong=" + (request.PreviousAttemptWrong ? "1" : "0") +
        " tries=" + (request.TriesLeft ? std::to_string(*request.TriesLeft) : "?"));
    const auto answers = Answers();
    const auto it = answers.find("pin");
    if (it == answers.end()) return TAnswer::Unavailable;
    if (it->second == "cancel") return TAnswer::Cancelled;
    pin.Append(it->second);
    RemoveWhatGoesAway(answers);
    return TAnswer::Accepted;
  }

  TAnswer Confirm(const TConfirmRequest& request) override {
    Log("confirm for=" + request.Certificate.Subject + " pinPad=" + (request.PinPad ? "1" : "0"));
    const auto answers = Answers();
    const auto it = answers.find("confirm");
    if (it == answers.end()) return TAnswer::Unavailable;
    if (it->second != "yes") return TAnswer::Cancelled;
    RemoveWhatGoesAway(answers);
    return TAnswer::Accepted;
  }

  TAnswer ChooseFiles(const TFileChooserRequest&, std::vector<std::string>&) override {
    return TAnswer::Unavailable;
  }

  TAnswer ConfirmFileRead(const TFileReadRequest& request) override {
    Log("read " + request.FileName + " size=" + std::to_string(request.FileSize));
    const auto answers = Answers();
    const auto it = answers.find("read");
    if (it == answers.end()) return TAnswer::Unavailable;
    return it->second == "yes" ? TAnswer::Accepted : TAnswer::Cancelled;
  }
};

}  // namespace

std::unique_ptr<IConsent> MakeLibraryConsent() { return std::make_unique<TScriptedConsent>(); }

}  // namespace tavrin
