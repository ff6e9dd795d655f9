#pragma once
// Linux: where each browser reads host manifests, how a sandboxed one starts a host, and which
// browsers this machine has.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/register/options.h"

namespace ferolant::reg {

std::filesystem::path Home();
std::filesystem::path ConfigHome();  // $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path DataHome();    // $XDG_DATA_HOME, else ~/.local/share

// The folder the browser reads, per user or system-wide; none when it has no such folder.
std::optional<std::filesystem::path> ManifestFolder(TBrowser browser, bool system);

enum class TSandboxKind {
  None,
  // Firefox in a snap or flatpak asks the desktop portal, outside the sandbox, to read the
  // manifest from the usual folders and start the host, once the person allows it.
  Portal,
  // Chromium-family flatpaks read manifests inside the sandbox and start what they name
  // there; a script in the app's folder starts the host outside through flatpak-spawn.
  FlatpakSpawn,
};
struct TSandbox {
  TSandboxKind Kind = TSandboxKind::None;
  std::string App;  // the snap's portal id (snap.firefox) or the flatpak's app id
};
TSandbox SandboxOf(TBrowser browser);

struct TInstalled {
  TBrowser Browser;
  const char* Kind;  // "classic", "snap" or "flatpak"
  std::filesystem::path Evidence;
};
// Every browser whose files are found: its program (classic), /snap/<name> or ~/snap/<name>,
// a flatpak installation of the user's or the machine's.
std::vector<TInstalled> FindInstalled();

}  // namespace ferolant::reg
