// The production consent: every question is a zenity window, run as a child process. A PIN
// comes back only through the pipe from that window into a Secret.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "signer/consent.h"
#include "signer/dialogs/child_dialog.h"
#include "signer/dialogs/dialog_texts.h"
#include "signer/dialogs/requester.h"
#include "signer/dialogs/zenity_arguments.h"
#include "signer/visible_text.h"

namespace tavrin {

namespace {

using dialogs::TChildOutcome;

// zenity's exit status for OK; Cancel, Escape and closing the window give 1.
constexpr int kZenityOk = 0;
constexpr int kZenityCancel = 1;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// GTK needs one of these; without either no window can open, and nothing is started.
bool DisplayConfigured() { return Set("WAYLAND_DISPLAY") || Set("DISPLAY"); }

// The GTK module that keeps a dialog from being answered in its first half second
// (guard/dialog_guard.c), beside this library; empty when it is not there.
std::string GuardModule() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&GuardModule), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::string path = info.dli_fname;
  path.erase(path.find_last_of('/') + 1);
  path += "libtavrin-dialog-guard.so";
  return path.front() == '/' && ::access(path.c_str(), R_OK) == 0 ? path : std::string();
}

// A dialog program that cannot reach the display also exits with 1, as if cancelled; only its
// message tells the two apart.
TAnswer Classify(const TChildOutcome& outcome) {
  if (!outcome.Started) return TAnswer::Unavailable;
  if (outcome.ExitCode == kZenityOk) return TAnswer::Accepted;
  if (outcome.ExitCode == kZenityCancel &&
      outcome.ErrorTail.find("cannot open display") == std::string::npos) {
    return TAnswer::Cancelled;
  }
  return TAnswer::Unavailable;
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

class TZenityConsent final : public IConsent {
 public:
  TZenityConsent()
      : FTexts(dialogs::TextsFor(dialogs::LanguageFromEnvironment())),
        FRequester(VisibleName(dialogs::RequesterOfThisProcess())),
        FGuard(GuardModule()) {}

  TAnswer ChooseCertificate(const std::vector<TCertificateSummary>& certificates,
                            std::size_t preselected, std::size_t& chosen) override {
    if (!CanAsk()) return TAnswer::Unavailable;
    std::string answer;
    const TAnswer result = Classify(dialogs::RunDialog(
        dialogs::CertificateChoiceArguments(certificates, preselected, FTexts), answer, Guarded()));
    if (result != TAnswer::Accepted) return result;
    // The field can be edited: an item of the list, or just its number, is a choice.
    for (std::size_t i = 0; i < certificates.size(); ++i) {
      if (answer == dialogs::CertificateItem(certificates, i) || answer == std::to_string(i + 1)) {
        chosen = i;
        return TAnswer::Accepted;
      }
    }
    return TAnswer::Cancelled;
  }

  TAnswer AskPin(const TPinRequest& request, TSecret& pin) override {
    if (!CanAsk()) return TAnswer::Unavailable;
    TSecret typed;
    const TAnswer result = Classify(
        dialogs::RunDialog(dialogs::PinArguments(request, FRequester, FTexts), typed, Guarded()));
    if (result != TAnswer::Accepted) return result;
    // An empty PIN would only cost the token a try; one that does not fit is not cut.
    if (typed.Overlong() || (typed.Empty() && !request.IsFilePassword)) return TAnswer::Cancelled;
    pin.Append(typed.View());
    return result;
  }

  TAnswer Confirm(const TConfirmRequest& request) override {
    if (!CanAsk()) return TAnswer::Unavailable;
    std::string ignored;
    return Classify(dialogs::RunDialog(dialogs::ConfirmArguments(request, FRequester, FTexts),
                                       ignored, Guarded()));
  }

  TAnswer ChooseFiles(const TFileChooserRequest& request,
                      std::vector<std::string>& paths) override {
    if (!CanAsk()) return TAnswer::Unavailable;
    const char* home = std::getenv("HOME");
    std::string answer;
    const TAnswer result = Classify(dialogs::RunDialog(
        dialogs::FileChooserArguments(request, home != nullptr ? home : "", FTexts), answer,
        Guarded()));
    if (result != TAnswer::Accepted) return result;
    std::vector<std::string> chosen = SplitPaths(answer, request.Multiple);
    if (chosen.empty()) return TAnswer::Cancelled;
    paths = std::move(chosen);
    return TAnswer::Accepted;
  }

  TAnswer ConfirmFileRead(const TFileReadRequest& request) override {
    if (!CanAsk()) return TAnswer::Unavailable;
    std::string ignored;
    return Classify(dialogs::RunDialog(dialogs::FileReadArguments(request, FRequester, FTexts),
                                       ignored, Guarded()));
  }

 private:
  // A window can be shown, and shown with its guard: a dialog that could be answered before it
  // is read is not shown at all.
  bool CanAsk() const { return DisplayConfigured() && !FGuard.empty(); }
  std::vector<std::string> Guarded() const { return {"GTK_MODULES=" + FGuard}; }

  const dialogs::TTexts& FTexts;
  const std::string FRequester;
  const std::string FGuard;
};

}  // namespace

std::unique_ptr<IConsent> MakeDialogConsent() { return std::make_unique<TZenityConsent>(); }

}  // namespace tavrin
