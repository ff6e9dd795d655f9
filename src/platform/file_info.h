// What the host asks of the file system about one named file.
//
// Names are narrow text: the ANSI code page on Windows, UTF-8 elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Whether name denotes an existing file; a directory does not count.
bool FileExists(const std::string& name) noexcept;

// The full 64-bit size of the file's directory entry, or nothing when the
// entry cannot be looked up.
std::optional<std::uint64_t> FindFileSize(const std::string& name) noexcept;

}  // namespace platform
