#pragma once
// Linux: what a sandboxed browser needs before it starts the host, and whether it has it.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/register/places.h"

namespace ferolant::reg {

// The script a Chromium-family flatpak starts: it starts the host outside the sandbox. It lies
// in the app's own folder, which the sandbox shows at the same path.
std::filesystem::path SpawnScriptPath(const TSandbox& sandbox, const std::string& name);
std::string SpawnScriptText(const std::string& host);
// The host a script written by SpawnScriptText starts; none for any other file.
std::optional<std::string> SpawnedHost(const std::string& script);

struct TSandboxVerdict {
  bool Starts = false;
  std::vector<std::string> Lines;  // what was found, what the person must do, and the command
};
// Whether the sandbox will start the host: for a flatpak whether it may talk to
// org.freedesktop.Flatpak; for the portal whether the person allowed this host.
TSandboxVerdict CheckSandbox(const TSandbox& sandbox, const std::string& name);

}  // namespace ferolant::reg
