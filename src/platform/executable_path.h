#pragma once
// Where the running executable lives, taken from the system rather than from argv[0] or the
// current directory, so that files shipped next to the host are found wherever it is started.

#include <filesystem>
#include <optional>

namespace platform {

// The path as the system's own text, not taken apart into components.
using TNativePath = std::filesystem::path::string_type;

// The absolute path of the running executable, or nothing when the system cannot tell.
std::optional<std::filesystem::path> ExecutablePath();

// The absolute path of the file called `name` in the executable's folder, or nothing when the
// system cannot tell where the executable is. Made by cutting and joining text, without the
// path library's parsing: the host asks this once at every start.
std::optional<TNativePath> PathBesideExecutable(const TNativePath& name);

}  // namespace platform
