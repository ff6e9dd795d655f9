#pragma once
// Where the exported functions get their Consent. The shipped library answers with the real
// dialogs; only the test build of the library links another answer in its place.

#include <memory>

#include "signer/consent.h"

namespace tavrin {

std::unique_ptr<IConsent> MakeLibraryConsent();

}  // namespace tavrin
