// The production consent: every question is a zenity window, run as a child process. A PIN
// comes back only through the pipe from that window into a Secret.

#include <cstdlib>
#include <string>

#include "signer/consent.h"
#include "signer/dialogs/child_dialog.h"
#include "signer/dialogs/dialog_texts.h"
#include "signer/dialogs/requester.h"
#include "signer/dialogs/zenity_arguments.h"

namespace tavrin {

namespace {

using dialogs::ChildOutcome;

// zenity's exit status for OK; Cancel, Escape and closing the window give 1.
constexpr int kZenityOk = 0;
constexpr int kZenityCancel = 1;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// GTK needs one of these; without either no window can open, and nothing is started.
bool DisplayConfigured() { return Set("WAYLAND_DISPLAY") || Set("DISPLAY"); }

// A dialog program that cannot reach the display also exits with 1, as if cancelled; only its
// message tells the two apart.
Answer Classify(const ChildOutcome& outcome) {
  if (!outcome.started) return Answer::kUnavailable;
  if (outcome.exitCode == kZenityOk) return Answer::kAccepted;
  if (outcome.exitCode == kZenityCancel &&
      outcome.errorTail.find("cannot open display") == std::string::npos) {
    return Answer::kCancelled;
  }
  return Answer::kUnavailable;
}

std::vector<std::string> SplitPaths(const std::string& answer, bool multiple) {
  std::vector<std::string> paths;
  if (!multiple) {
    if (!answer.empty()) paths.push_back(answer);
    return paths;
  }
  std::size_t start = 0;
  while (start <= answer.size()) {
    std::size_t end = answer.find(dialogs::kFileSeparator, start);
    if (end == std::string::npos) end = answer.size();
    if (end > start) paths.push_back(answer.substr(start, end - start));
    start = end + 1;
  }
  return paths;
}

class ZenityConsent final : public Consent {
 public:
  ZenityConsent()
      : texts_(dialogs::TextsFor(dialogs::LanguageFromEnvironment())),
        requester_(dialogs::RequesterOfThisProcess()) {}

  Answer ChooseCertificate(const std::vector<CertificateSummary>& certificates,
                           std::size_t preselected, std::size_t& chosen) override {
    if (!DisplayConfigured()) return Answer::kUnavailable;
    std::string answer;
    const Answer result = Classify(dialogs::RunDialog(
        dialogs::CertificateChoiceArguments(certificates, preselected, texts_), answer));
    if (result != Answer::kAccepted) return result;
    // The field can be edited: an item of the list, or just its number, is a choice.
    for (std::size_t i = 0; i < certificates.size(); ++i) {
      if (answer == dialogs::CertificateItem(certificates, i) || answer == std::to_string(i + 1)) {
        chosen = i;
        return Answer::kAccepted;
      }
    }
    return Answer::kCancelled;
  }

  Answer AskPin(const PinRequest& request, Secret& pin) override {
    if (!DisplayConfigured()) return Answer::kUnavailable;
    Secret typed;
    const Answer result =
        Classify(dialogs::RunDialog(dialogs::PinArguments(request, requester_, texts_), typed));
    if (result == Answer::kAccepted) pin.Append(typed.View());
    return result;
  }

  Answer Confirm(const ConfirmRequest& request) override {
    if (!DisplayConfigured()) return Answer::kUnavailable;
    std::string ignored;
    return Classify(
        dialogs::RunDialog(dialogs::ConfirmArguments(request, requester_, texts_), ignored));
  }

  Answer ChooseFiles(const FileChooserRequest& request, std::vector<std::string>& paths) override {
    if (!DisplayConfigured()) return Answer::kUnavailable;
    const char* home = std::getenv("HOME");
    std::string answer;
    const Answer result = Classify(dialogs::RunDialog(
        dialogs::FileChooserArguments(request, home != nullptr ? home : "", texts_), answer));
    if (result != Answer::kAccepted) return result;
    std::vector<std::string> chosen = SplitPaths(answer, request.multiple);
    if (chosen.empty()) return Answer::kCancelled;
    paths = std::move(chosen);
    return Answer::kAccepted;
  }

 private:
  const dialogs::Texts& texts_;
  const std::string requester_;
};

}  // namespace

std::unique_ptr<Consent> MakeDialogConsent() { return std::make_unique<ZenityConsent>(); }

}  // namespace tavrin
