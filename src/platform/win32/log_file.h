// The traffic log's file: created anew for every save of the whole log.
#pragma once

#include <string>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// Opens fileName (ANSI code page text) for writing, replacing an existing file. On failure
// the handle is empty and error holds "Cannot create file "<name>". <system error text>".
TUniqueHandle CreateLogFile(const std::string& fileName, std::string& error);

// Writes all bytes; false when the system took fewer.
bool WriteAllBytes(HANDLE file, const void* bytes, std::size_t count) noexcept;

}  // namespace platform::win32
