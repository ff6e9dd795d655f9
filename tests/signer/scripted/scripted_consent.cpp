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

class ScriptedConsent final : public Consent {
 public:
  Answer ChooseCertificate(const std::vector<CertificateSummary>& certificates,
                           std::size_t preselected, std::size_t& chosen) override {
    Log("choose " + std::to_string(certificates.size()) +
        " preselected=" + certificates[preselected].subject);
    const auto answers = Answers();
    const auto it = answers.find("choose");
    if (it == answers.end()) return Answer::kUnavailable;
    for (std::size_t i = 0; i < certificates.size(); ++i) {
      if (certificates[i].subject == it->second) {
        chosen = i;
        return Answer::kAccepted;
      }
    }
    return Answer::kCancelled;
  }

  Answer AskPin(const PinRequest& request, Secret& pin) override {
    Log(std::string(request.isFilePassword ? "password" : "pin") +
        " for=" + request.certificate.subject +
        " previousWrong=" + (request.previousAttemptWrong ? "1" : "0") +
        " tries=" + (request.triesLeft ? std::to_string(*request.triesLeft) : "?"));
    const auto answers = Answers();
    const auto it = answers.find("pin");
    if (it == answers.end()) return Answer::kUnavailable;
    if (it->second == "cancel") return Answer::kCancelled;
    pin.Append(it->second);
    RemoveWhatGoesAway(answers);
    return Answer::kAccepted;
  }

  Answer Confirm(const ConfirmRequest& request) override {
    Log("confirm for=" + request.certificate.subject + " pinPad=" + (request.pinPad ? "1" : "0"));
    const auto answers = Answers();
    const auto it = answers.find("confirm");
    if (it == answers.end()) return Answer::kUnavailable;
    if (it->second != "yes") return Answer::kCancelled;
    RemoveWhatGoesAway(answers);
    return Answer::kAccepted;
  }

  Answer ChooseFiles(const FileChooserRequest&, std::vector<std::string>&) override {
    return Answer::kUnavailable;
  }

  Answer ConfirmFileRead(const FileReadRequest& request) override {
    Log("read " + request.fileName + " size=" + std::to_string(request.fileSize));
    const auto answers = Answers();
    const auto it = answers.find("read");
    if (it == answers.end()) return Answer::kUnavailable;
    return it->second == "yes" ? Answer::kAccepted : Answer::kCancelled;
  }
};

}  // namespace

std::unique_ptr<Consent> MakeLibraryConsent() { return std::make_unique<ScriptedConsent>(); }

}  // namespace tavrin
