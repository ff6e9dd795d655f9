// Until the dialogs are written: no window can be shown, so nothing is ever signed without a
// person, and every request says so.
#include "consent.h"

namespace tavrin {

namespace {

class NoDialogs final : public Consent {
 public:
  Answer ChooseCertificate(const std::vector<CertificateSummary>&, std::size_t,
                           std::size_t&) override {
    return Answer::kUnavailable;
  }
  Answer AskPin(const PinRequest&, Secret&) override { return Answer::kUnavailable; }
  Answer Confirm(const ConfirmRequest&) override { return Answer::kUnavailable; }
  Answer ChooseFiles(const FileChooserRequest&, std::vector<std::string>&) override {
    return Answer::kUnavailable;
  }
};

}  // namespace

std::unique_ptr<Consent> MakeDialogConsent() { return std::make_unique<NoDialogs>(); }

}  // namespace tavrin
