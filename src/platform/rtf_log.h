#pragma once
// The traffic log as a file: the whole log, saved anew after each line, as a Rich Text document
// so that it opens in any word processor with its Czech texts intact.

#include <span>
#include <string>
#include <string_view>

namespace platform {

// The log's fixed texts as the log stores them: Windows-1250 bytes.
inline constexpr std::string_view kLogReceived = "P\xF8ijato z Chrome: ";
inline constexpr std::string_view kLogSending = "Bude se odes\xEDlat do Chrome: ";
inline constexpr std::string_view kLogSent =
    "V po\xF8\xE1"
    "dku odesl\xE1no do Chrome.";

// Where the log file lives on this platform.
std::string LogFileName();

// A Rich Text document (code page 1250) holding one paragraph per line. The lines are narrow
// text taken as Windows-1250 bytes; bytes outside ASCII are written as \'xx escapes.
std::string RtfLogDocument(std::span<const std::string> lines);

// Writes RtfLogDocument(lines) to `fileName`, replacing a regular file of the user's own but
// never following a link or writing into someone else's file. Returns the empty text on
// success, otherwise the error: "Cannot create file "<name>". <system error text>".
std::string SaveRtfLog(const std::string& fileName, std::span<const std::string> lines);

}  // namespace platform
