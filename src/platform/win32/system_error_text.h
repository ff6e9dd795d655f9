// The system's text for an error code, for messages that the host writes or reports.
#pragma once

#include <cstdint>
#include <string>

namespace platform::win32 {

// UTF-8, without the trailing line break the system appends; a generic text when the system
// has none for the code.
std::string SystemErrorText(std::uint32_t errorCode);

// The wide text as UTF-8 (lone surrogates become U+FFFD).
std::string Utf8FromWide(const wchar_t* text, std::size_t length);

}  // namespace platform::win32
