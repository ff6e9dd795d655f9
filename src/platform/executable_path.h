#pragma once
// Where the running executable lives, taken from the system rather than from argv[0] or the
// current directory, so that files shipped next to the host are found wherever it is started.

#include <filesystem>
#include <optional>

namespace platform {

// The absolute path of the running executable, or nothing when the system cannot tell.
std::optional<std::filesystem::path> ExecutablePath();

}  // namespace platform
