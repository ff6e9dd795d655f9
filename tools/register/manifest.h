#pragma once
// The host manifest: the file a browser reads to find the host, written and checked.
#include <optional>
#include <string>
#include <vector>

#include "tools/register/options.h"

namespace ferolant::reg {

// The manifest for one browser, indented JSON ending in a line feed. Chromium-family browsers
// read "allowed_origins", Firefox "allowed_extensions".
std::string ManifestText(TBrowser browser, const TRegistration& registration);

struct TManifestCheck {
  bool Ok = false;
  std::vector<std::string> Lines;  // what was found, then one "PROBLEM: ..." line per fault
};

// Reads the manifest at file and tells whether the browser could start the host through it:
// its members, its path, and whether that executable starts and answers as a host.
// relativePathsAllowed: the browser resolves a relative "path" against the manifest's folder
// (Windows); elsewhere a relative one is a fault.
// hostOf: for a manifest whose "path" is a script that starts the host elsewhere (a flatpak
// sandbox's), the host that script starts, or none when it is no such script; that host is
// then the one checked and started.
using THostOfScript = std::optional<std::string> (*)(const std::string& script);
TManifestCheck CheckManifest(TBrowser browser, const std::string& file, const std::string& name,
                             bool relativePathsAllowed, THostOfScript hostOf = nullptr);

}  // namespace ferolant::reg
