#include "signer/library_consent.h"

namespace tavrin {

std::unique_ptr<IConsent> MakeLibraryConsent() { return MakeDialogConsent(); }

}  // namespace tavrin
