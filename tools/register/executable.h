#pragma once
// Whether a file could be started as a program, by the platform's rules.
#include <filesystem>

namespace ferolant::reg {

// For a regular file: whether it may be executed (its mode bits on POSIX; every file on
// Windows, which decides by content when starting it).
bool IsExecutable(const std::filesystem::path& file);

}  // namespace ferolant::reg
