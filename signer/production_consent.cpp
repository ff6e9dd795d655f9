#include "signer/library_consent.h"

namespace tavrin {

std::unique_ptr<Consent> MakeLibraryConsent() { return MakeDialogConsent(); }

}  // namespace tavrin
