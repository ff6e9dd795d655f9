// The window styles of a standard form, the same on every window system.
#pragma once

#include <string>

#include "platform/controls.h"

namespace platform {

// What a form of this caption, bounds and styles is created with when no hook
// changes it (IFormWindow::DefaultCreateParams).
TCreateParams StandardCreateParams(const std::u16string& caption, const TBounds& bounds,
                                   TBorderStyle borderStyle, TFormStyle formStyle);

}  // namespace platform
