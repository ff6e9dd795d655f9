// The system's text for an error code, for messages that the host writes or reports.
#pragma once

#include <cstdint>
#include <string>

namespace platform::win32 {

// Narrow text in the ANSI code page, like every error message of the host, without the line
// break the system appends; a generic text when the system has none for the code.
std::string SystemErrorText(std::uint32_t errorCode);

}  // namespace platform::win32
