#include <cstdlib>
#include <system_error>

#include "tools/register/places.h"

namespace ferolant::reg {

namespace fs = std::filesystem;

namespace {

fs::path FromEnv(const char* name, const fs::path& otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? fs::path(value) : otherwise;
}

// The app's own configuration folder, which the sandbox shows at the same path.
fs::path FlatpakConfig(const char* app) { return Home() / ".var/app" / app / "config"; }

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

}  // namespace

fs::path Home() { return FromEnv("HOME", "/"); }
fs::path ConfigHome() { return FromEnv("XDG_CONFIG_HOME", Home() / ".config"); }
fs::path DataHome() { return FromEnv("XDG_DATA_HOME", Home() / ".local/share"); }

bool Supported(Browser) noexcept { return true; }

std::optional<fs::path> ManifestFolder(Browser browser, bool system) {
  switch (browser) {
    case Browser::kChrome:
      return system ? "/etc/opt/chrome/native-messaging-hosts"
                    : ConfigHome() / "google-chrome/NativeMessagingHosts";
    case Browser::kChromium:
      return system ? "/etc/chromium/native-messaging-hosts"
                    : ConfigHome() / "chromium/NativeMessagingHosts";
    case Browser::kEdge:
      return system ? "/etc/opt/edge/native-messaging-hosts"
                    : ConfigHome() / "microsoft-edge/NativeMessagingHosts";
    case Browser::kBrave:
      return system ? "/etc/opt/brave.com/brave/native-messaging-hosts"
                    : ConfigHome() / "BraveSoftware/Brave-Browser/NativeMessagingHosts";
    // The portal reads the manifests that a classic Firefox reads, outside the sandbox.
    case Browser::kFirefox:
    case Browser::kFirefoxSnap:
    case Browser::kFirefoxFlatpak:
      return system ? "/usr/lib/mozilla/native-messaging-hosts"
                    : Home() / ".mozilla/native-messaging-hosts";
    case Browser::kVivaldi:
      if (system) return std::nullopt;
      return ConfigHome() / "vivaldi/NativeMessagingHosts";
    // Opera reads the manifests that Chrome reads.
    case Browser::kOpera:
      if (system) return std::nullopt;
      return ConfigHome() / "google-chrome/NativeMessagingHosts";
    case Browser::kLibrewolf:
      if (system) return std::nullopt;
      return Home() / ".librewolf/native-messaging-hosts";
    case Browser::kChromeFlatpak:
      if (system) return std::nullopt;
      return FlatpakConfig("com.google.Chrome") / "google-chrome/NativeMessagingHosts";
    case Browser::kChromiumFlatpak:
      if (system) return std::nullopt;
      return FlatpakConfig("org.chromium.Chromium") / "chromium/NativeMessagingHosts";
  }
  return std::nullopt;
}

Sandbox SandboxOf(Browser browser) {
  switch (browser) {
    case Browser::kFirefoxSnap:
      return {SandboxKind::kPortal, "snap.firefox"};
    case Browser::kFirefoxFlatpak:
      return {SandboxKind::kPortal, "org.mozilla.firefox"};
    case Browser::kChromeFlatpak:
      return {SandboxKind::kFlatpakSpawn, "com.google.Chrome"};
    case Browser::kChromiumFlatpak:
      return {SandboxKind::kFlatpakSpawn, "org.chromium.Chromium"};
    default:
      return {};
  }
}

std::vector<Installed> FindInstalled() {
  struct Evidence {
    Browser browser;
    const char* kind;
    std::vector<fs::path> paths;
  };
  // Not /usr/bin/firefox: on Ubuntu that is a script that starts the snap.
  const std::vector<Evidence> evidence = {
      {Browser::kChrome, "classic", {"/opt/google/chrome/chrome"}},
      {Browser::kChromium,
       "classic",
       {"/usr/lib/chromium/chromium", "/usr/lib64/chromium-browser/chromium-browser"}},
      {Browser::kEdge, "classic", {"/opt/microsoft/msedge/msedge"}},
      {Browser::kBrave, "classic", {"/opt/brave.com/brave/brave"}},
      {Browser::kFirefox,
       "classic",
       {"/usr/lib/firefox-esr/firefox-esr", "/usr/lib/firefox/firefox",
        "/usr/lib64/firefox/firefox", "/opt/firefox/firefox"}},
      {Browser::kVivaldi, "classic", {"/opt/vivaldi/vivaldi"}},
      {Browser::kOpera,
       "classic",
       {"/usr/lib/x86_64-linux-gnu/opera/opera", "/usr/lib64/opera/opera"}},
      {Browser::kLibrewolf,
       "classic",
       {"/usr/share/librewolf/librewolf", "/usr/lib/librewolf/librewolf"}},
      {Browser::kFirefoxSnap, "snap", {"/snap/firefox/current", Home() / "snap/firefox"}},
  };
  std::vector<Installed> found;
  for (const Evidence& e : evidence) {
    for (const fs::path& path : e.paths) {
      if (Exists(path)) {
        found.push_back({e.browser, e.kind, path});
        break;
      }
    }
  }
  for (Browser b : {Browser::kChromeFlatpak, Browser::kChromiumFlatpak, Browser::kFirefoxFlatpak}) {
    const std::string app = SandboxOf(b).app;
    for (const fs::path& path :
         {DataHome() / "flatpak/app" / app, fs::path("/var/lib/flatpak/app") / app}) {
      if (Exists(path)) {
        found.push_back({b, "flatpak", path});
        break;
      }
    }
  }
  return found;
}

}  // namespace ferolant::reg
